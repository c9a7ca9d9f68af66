#pragma once

#include <QDialog>

class QLineEdit;

namespace qor::ui {

// Asks for the text of a graph text.
class CGraphTextInput : public QDialog {
    Q_OBJECT
public:
    CGraphTextInput(int lang, const QString& text, QWidget* parent = nullptr);
    QString Text() const;
    // Runs the dialog; on OK `text` holds the entry and the result is true.
    static bool Ask(QWidget* parent, int lang, QString& text);

private:
    QLineEdit* m_edit;
};

}  // namespace qor::ui
