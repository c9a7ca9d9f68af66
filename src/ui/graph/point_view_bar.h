#pragma once

#include <QDockWidget>
#include <QPointer>
#include <QTableWidget>
#include <cstddef>

class QComboBox;

namespace qor::ui {

class CGraphWnd;

// The list of a curve's points.
class C3DListCtrl : public QTableWidget {
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
};

// A docking bar listing the points of one curve of a graph window: number, time, X, Y. A
// choice above the list names the curves; the context menu offers the graph's properties.
class CPointViewBar : public QDockWidget {
    Q_OBJECT
public:
    CPointViewBar(int lang, QWidget* parent = nullptr);
    void SetLanguage(int lang);

    // The graph whose curves are listed (none: an empty list).
    void Follow(CGraphWnd* wnd);
    // The graph's curves or points changed. New points of the listed curve are appended;
    // `anew` when curves were rebuilt, so the list is filled again.
    void Refresh(bool anew);
    // Fills the list from a curve; absolute times as dates, else elapsed since the first point.
    void ShowCurve(const CGraphWnd& wnd, int curve, bool absoluteTime);

    QComboBox* CurveChoice() const { return m_choice; }
    C3DListCtrl* List() const { return m_list; }

signals:
    void PropertiesRequested();

private:
    void FillChoice();
    // The choice and the title take the curves' names as they are now.
    void SyncNames();
    void AppendRows(const CGraphWnd& wnd, bool absoluteTime);

    int m_lang;
    QComboBox* m_choice;
    C3DListCtrl* m_list;
    QPointer<CGraphWnd> m_wnd;
    int m_curve = -1;          // the graph's index of the listed curve
    std::size_t m_listed = 0;  // points of it listed so far
};

}  // namespace qor::ui
