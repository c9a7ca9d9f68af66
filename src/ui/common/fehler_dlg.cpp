#include "ui/common/fehler_dlg.h"

#include "ui/common/ui_texts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace qor::ui {

CFehlerDlg::CFehlerDlg(int lang, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Tr(txt::kErrorDialog, lang));
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setMinimumWidth(260);
    m_text->setWordWrap(false);
    m_ok = new QPushButton(Tr(txt::kOk, lang), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(m_text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void CFehlerDlg::SetText(const QString& text)
{
    m_text->setText(text);
}
QString CFehlerDlg::Text() const
{
    return m_text->text();
}

}  // namespace qor::ui
