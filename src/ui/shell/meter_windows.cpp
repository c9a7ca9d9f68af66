#include "ui/shell/meter_windows.h"

#include "station/digital_mess_view_model.h"
#include "ui/station/digital_mess_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <algorithm>

namespace qor::ui {

namespace {
constexpr int kCascadeStep = 20;
}

MeterWindows::MeterWindows(QMdiArea& area, std::function<void(bool)> closed)
    : m_area(area), m_closed(std::move(closed))
{
}

CDigitalMessView* MeterWindows::View(int address) const
{
    QMdiSubWindow* f = Frame(address);
    return f ? qobject_cast<CDigitalMessView*>(f->widget()) : nullptr;
}

bool MeterWindows::Raise(int address)
{
    QMdiSubWindow* f = Frame(address);
    if (!f)
        return false;
    f->showNormal();
    m_area.setActiveSubWindow(f);
    f->raise();
    return true;
}

void MeterWindows::Open(int address, const std::string& moduleName, int cascade, int lang)
{
    address &= 15;
    auto* view = new CDigitalMessView(static_cast<std::uint8_t>(address), lang);
    QMdiSubWindow* frame = m_area.addSubWindow(view);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    m_frames[static_cast<std::size_t>(address)] = frame;
    view->InitialUpdate();
    const QSize size = view->FrameSize();
    // Never smaller than the form, whatever the meter's height.
    const QSize decoration = frame->size() - frame->contentsRect().size();
    frame->resize(std::max(size.width(), view->minimumWidth() + decoration.width()),
                  std::max(size.height(), view->minimumHeight() + decoration.height()));
    view->SetTitle(
        QString::fromStdString(station::DigitalViewTitle(static_cast<std::uint8_t>(address), moduleName)));
    frame->setWindowTitle(view->Title());
    frame->move(kCascadeStep * cascade, kCascadeStep * cascade);
    // The area drops its own connections to a window it lets go, so the report hangs on this object.
    QObject::connect(frame, &QObject::destroyed, &m_context, [this, address, frame] {
        QMdiSubWindow*& f = m_frames[static_cast<std::size_t>(address)];
        if (f == frame)
            f = nullptr;
        // Later, so that an area being destroyed together with its windows is never asked.
        QTimer::singleShot(0, &m_context, [this] { KeepInFront(); });
        m_closed(
            std::any_of(m_frames.begin(), m_frames.end(), [](QMdiSubWindow* w) { return w != nullptr; }));
    });
    frame->show();
    m_area.setActiveSubWindow(frame);
    frame->raise();
}

void MeterWindows::KeepInFront()
{
    // The area hands the focus of a closed window to another one, which may be the graph
    // pane; the meters that are left go back in front of it, in their order.
    QMdiSubWindow* top = nullptr;
    for (QMdiSubWindow* w : m_area.subWindowList(QMdiArea::StackingOrder))
        if (std::find(m_frames.begin(), m_frames.end(), w) != m_frames.end()) {
            w->raise();
            top = w;
        }
    if (top)
        m_area.setActiveSubWindow(top);
}

void MeterWindows::CloseAll()
{
    for (QMdiSubWindow*& f : m_frames) {
        if (f) {
            QMdiSubWindow* frame = f;
            f = nullptr;
            frame->close();
        }
    }
}

}  // namespace qor::ui
