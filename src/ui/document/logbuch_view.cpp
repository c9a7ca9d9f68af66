#include "ui/document/logbuch_view.h"

#include "ui/common/ui_texts.h"

#include <QAction>
#include <QFontDatabase>
#include <QScrollBar>

namespace qor::ui {

CLogbuchView::CLogbuchView(int lang, QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Four tab stops reach just past the time stamp, so continuation lines line up.
    const QFontMetricsF fm(font());
    setTabStopDistance(fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) / 3.5);

    m_copy = new QAction(this);
    m_copy->setShortcut(QKeySequence::Copy);
    m_copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_copy->setEnabled(false);
    addAction(m_copy);
    connect(this, &QTextEdit::copyAvailable, m_copy, &QAction::setEnabled);
    connect(m_copy, &QAction::triggered, this, &QTextEdit::copy);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    SetLanguage(lang);
}

void CLogbuchView::SetLanguage(int lang)
{
    m_copy->setText(Tr(txt::kCopy, lang));
    m_copy->setStatusTip(Tr(txt::kPromptCopy, lang));
    setWindowTitle(Tr(txt::kLogbookPane, lang));
}

bool CLogbuchView::Refresh(std::string_view text, bool changed)
{
    if (!changed)
        return false;
    setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    // Newest entries at the bottom, in sight.
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return true;
}

}  // namespace qor::ui
