#pragma once

#include "graph/graph_props.h"

#include <QDialog>
#include <QWidget>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace qor::ui {

class CGraphWnd;

// Base of the graph's property pages: each edits a copy and writes it back on Apply.
class CGraphPropertyPage : public QWidget {
    Q_OBJECT
public:
    CGraphPropertyPage(CGraphWnd& wnd, QWidget* parent = nullptr) : QWidget(parent), m_wnd(wnd) {}
    virtual void Apply() = 0;

protected:
    CGraphWnd& m_wnd;
};

// Name, unit and decimals (0..10) of one axis; applying calls SetAxisTitle.
class CGraphAxisPage : public CGraphPropertyPage {
    Q_OBJECT
public:
    CGraphAxisPage(CGraphWnd& wnd, int axis, int lang, QWidget* parent = nullptr);
    void Apply() override;
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* UnitEdit() const { return m_unit; }
    QSpinBox* DecimalsBox() const { return m_decimals; }

private:
    int m_axis;
    QLineEdit* m_name;
    QLineEdit* m_unit;
    QSpinBox* m_decimals;
};

// The curves: name, colour and visibility of the chosen one; "show all".
class CGraphGraphicsPage : public CGraphPropertyPage {
    Q_OBJECT
public:
    CGraphGraphicsPage(CGraphWnd& wnd, int lang, QWidget* parent = nullptr);
    void Apply() override;
    void ShowAll();
    void Choose(int row);
    void SetColour(graph::Rgb colour);
    QLineEdit* NameEdit() const { return m_name; }

private:
    struct Entry {
        int index;
        std::string name;
        graph::Rgb colour;
        bool visible;
    };

    void StoreCurrent();
    void UpdateSwatch();
    std::vector<Entry> m_entries;
    int m_current = -1;
    QListWidget* m_list;
    QLineEdit* m_name;
    QPushButton* m_colour;
    QRadioButton* m_hide;
    QRadioButton* m_on;
};

class CGraphTitlePage : public CGraphPropertyPage {
    Q_OBJECT
public:
    CGraphTitlePage(CGraphWnd& wnd, int lang, QWidget* parent = nullptr);
    void Apply() override;

private:
    QLineEdit* m_title;
};

// The pages in one dialog: X axis, Y axis, graphics, title. OK applies every page.
class CGraphPropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit CGraphPropertySheet(CGraphWnd& wnd, QWidget* parent = nullptr);
    void ApplyAll();
    CGraphPropertyPage* Page(int i) const { return m_pages[static_cast<std::size_t>(i)]; }

private:
    QTabWidget* m_tabs;
    std::vector<CGraphPropertyPage*> m_pages;
};

}  // namespace qor::ui
