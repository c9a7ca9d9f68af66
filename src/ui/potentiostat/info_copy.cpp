#include "ui/potentiostat/info_copy.h"

#include "potentiostat/pot_texts.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

CInfoCopy::CInfoCopy(const std::string& text, int lang, Confirm confirm, QWidget* parent)
    : QDialog(parent), m_lang(lang == 1 ? 1 : 0), m_confirm(std::move(confirm))
{
    setWindowTitle(QStringLiteral("Info"));
    m_text = new QLabel(QString::fromStdString(text), this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_text->setMinimumWidth(320);
    m_copy = new QPushButton(QString::fromUtf8(TextPair{"Text Kopieren", "Copy Text"}[m_lang]), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    // Enter closes the report; copying takes a click of its own.
    m_copy->setAutoDefault(false);
    ok->setDefault(true);
    ok->setFocus();
    connect(m_copy, &QPushButton::clicked, this, &CInfoCopy::Copy);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_copy);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
}

QString CInfoCopy::Text() const
{
    return m_text->text();
}

void CInfoCopy::Copy()
{
    QApplication::clipboard()->setText(m_text->text());
    if (m_confirm)
        m_confirm(potentiostat::text::kCopied[m_lang]);
}

}  // namespace qor::ui
