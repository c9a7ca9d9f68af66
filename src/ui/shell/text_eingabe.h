#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

namespace qor::ui {

// The manual logbook entry: a multi-line text field, OK and Cancel.
class CTextEingabe : public QDialog {
    Q_OBJECT
public:
    explicit CTextEingabe(int lang, QWidget* parent = nullptr);
    // The typed text, lines separated by CR LF as the field hands them over.
    std::string Text() const;

private:
    QPlainTextEdit* m_field;
};

}  // namespace qor::ui
