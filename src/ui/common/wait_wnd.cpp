#include "ui/common/wait_wnd.h"

#include "ui/common/ui_texts.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace qor::ui {

CWaitWnd::CWaitWnd(int lang, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Tr(txt::kInformation, lang));
    setModal(false);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setMinimumSize(320, 64);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->addWidget(m_text);
}

void CWaitWnd::SetText(const QString& text)
{
    m_text->setText(text);
    if (isVisible())
        m_text->repaint();
}

CProgressWnd::CProgressWnd(int lang, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Tr(txt::kProgress, lang));
    setModal(false);
    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_bar = new QProgressBar(this);
    m_bar->setMinimumWidth(320);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
}

void CProgressWnd::SetText(const QString& text)
{
    m_text->setText(text);
    if (isVisible())
        m_text->repaint();
}

void CProgressWnd::SetRange(int minimum, int maximum)
{
    m_bar->setRange(minimum, maximum);
}

void CProgressWnd::SetPos(int position)
{
    m_bar->setValue(position);
    if (isVisible())
        m_bar->repaint();
}

}  // namespace qor::ui
