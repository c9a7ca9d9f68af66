#include "ui/shell/text_eingabe.h"

#include "ui/common/ui_texts.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

CTextEingabe::CTextEingabe(int lang, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Tr(txt::kTextInput, lang));
    m_field = new QPlainTextEdit(this);
    m_field->setMinimumSize(380, 160);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Tr(txt::kOk, lang), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(Tr(txt::kCancel, lang), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_field);
    layout->addWidget(buttons);
    m_field->setFocus();
}

std::string CTextEingabe::Text() const
{
    QString text = m_field->toPlainText();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text.toStdString();
}

}  // namespace qor::ui
