#include "ui/graph/graph_text_input.h"

#include "ui/graph/graph_texts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor::ui {

CGraphTextInput::CGraphTextInput(int lang, const QString& text, QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(text))
{
    setWindowTitle(QString::fromUtf8(graph_texts::kGraphText[lang]));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(new QLabel(QString::fromUtf8(graph_texts::kInput[lang])));
    lay->addWidget(m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(graph_texts::kCancel[lang]));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
    m_edit->setMinimumWidth(260);
}

QString CGraphTextInput::Text() const
{
    return m_edit->text();
}

bool CGraphTextInput::Ask(QWidget* parent, int lang, QString& text)
{
    CGraphTextInput dlg(lang, text, parent);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    text = dlg.Text();
    return true;
}

}  // namespace qor::ui
