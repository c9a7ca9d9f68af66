#pragma once

#include <QDockWidget>
#include <QTableWidget>

namespace qor::ui {

class CGraphWnd;

// The list of a curve's points.
class C3DListCtrl : public QTableWidget {
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
};

// A docking bar listing the points of one curve: number, time, X, Y. Its context menu offers
// the properties (signal PropertiesRequested).
class CPointViewBar : public QDockWidget {
    Q_OBJECT
public:
    CPointViewBar(int lang, QWidget* parent = nullptr);
    // Fills the list from a curve; absolute times as dates, else elapsed since the first point.
    void ShowCurve(const CGraphWnd& wnd, int curve, bool absoluteTime);
    C3DListCtrl* List() const { return m_list; }

signals:
    void PropertiesRequested();

private:
    int m_lang;
    C3DListCtrl* m_list;
};

}  // namespace qor::ui
