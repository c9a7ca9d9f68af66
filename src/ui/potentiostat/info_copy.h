#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QPushButton;

namespace qor::ui {

// "Info": a report in a static field, "OK" and a button that copies the whole report to the
// clipboard and confirms it through `confirm` (a message box in the windows).
class CInfoCopy : public QDialog {
    Q_OBJECT
public:
    using Confirm = std::function<void(const std::string&)>;
    CInfoCopy(const std::string& text, int lang, Confirm confirm, QWidget* parent = nullptr);

    QString Text() const;
    QPushButton* CopyButton() const { return m_copy; }
    // What "Text Kopieren" does.
    void Copy();

private:
    int m_lang;
    Confirm m_confirm;
    QLabel* m_text;
    QPushButton* m_copy;
};

}  // namespace qor::ui
