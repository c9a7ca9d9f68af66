#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace qor::ui {

// The modeless "Information" window shown while a long command holds the link. Texts are
// painted at once, without running the event loop, so no timer can slip in between.
class CWaitWnd : public QDialog {
    Q_OBJECT
public:
    explicit CWaitWnd(int lang, QWidget* parent = nullptr);
    void SetText(const QString& text);

private:
    QLabel* m_text;
};

// A modeless progress window for read-outs and programming.
class CProgressWnd : public QDialog {
    Q_OBJECT
public:
    explicit CProgressWnd(int lang, QWidget* parent = nullptr);
    void SetText(const QString& text);
    void SetRange(int minimum, int maximum);
    void SetPos(int position);

private:
    QLabel* m_text;
    QProgressBar* m_bar;
};

}  // namespace qor::ui
