#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace qor::ui {

// "Fehlerdialog": one text and OK.
class CFehlerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFehlerDlg(int lang, QWidget* parent = nullptr);
    void SetText(const QString& text);
    QString Text() const;

private:
    QLabel* m_text;
    QPushButton* m_ok;
};

}  // namespace qor::ui
