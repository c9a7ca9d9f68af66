#pragma once

#include "graph/graph_model.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QWidget>

class QPaintDevice;

namespace qor::ui {

// An axis ruler beside a plot: draws the ticks and labels of the range the plot shows and
// tells the graph window how thick it needs to be. Every size is in inches, converted with
// the resolution of the device it draws on, so the same code paints a widget, an image, a
// PDF or a printer page.
class FRuler : public QWidget {
    Q_OBJECT
public:
    explicit FRuler(QWidget* parent = nullptr);

    // Stores the range; with `redraw` the ruler repaints at once.
    void SetRange(double start, double end, bool redraw);
    void SetTexts(const QString& title, const QString& tooltip);
    QString Title() const { return m_title; }

    // Ruler mode flags of the frame (graph::FrameFlag) and the graph whose first curve
    // gives the time labels of a time X axis.
    void SetMode(unsigned frameFlags) { m_flags = frameFlags; }
    void SetModel(const graph::GraphModel* model) { m_model = model; }

    // Pixels the ruler needs across its axis on `device`.
    virtual int GetThickness(QPaintDevice* device) const;
    // Labels that fit along the axis of `rect`.
    virtual int GetLabelCount(QPaintDevice* device, const QRect& rect) const;
    // Draws into the rectangle (device pixels of the painter).
    virtual void Draw(QPainter* painter, int left, int top, int right, int bottom);

    // The label font at the ruler's label height for a device.
    static QFont LabelFont(const QPaintDevice* device, double heightInches);
    static double Dpi(const QPaintDevice* device, bool vertical);

protected:
    void paintEvent(QPaintEvent*) override;
    // On screens and images the picture is kept and drawn again while nothing it shows
    // changed (rotated and measured labels are slow to lay out); elsewhere, or when
    // `keepable` is false, it is drawn afresh.
    void DrawKept(QPainter* painter, int left, int top, int right, int bottom, bool keepable);
    virtual void DrawAfresh(QPainter* painter, int left, int top, int right, int bottom) = 0;

    double m_start = 1.0;
    double m_end = 100.0;
    QString m_title;
    QString m_tooltip;
    unsigned m_flags = 0;
    const graph::GraphModel* m_model = nullptr;

private:
    struct Kept {
        QImage image;
        int dpiX = 0, dpiY = 0;
        double start = 0.0, end = 0.0;
        unsigned flags = 0;
        QString title;
        QPainter::RenderHints hints;
    };
    Kept m_kept;
};

// The X axis ruler below the plot: numeric, or sample indices labelled with their time.
class FHRuler : public FRuler {
    Q_OBJECT
public:
    using FRuler::FRuler;
    int GetThickness(QPaintDevice* device) const override;
    int GetLabelCount(QPaintDevice* device, const QRect& rect) const override;
    // Kept on a numeric axis; a time axis takes its labels from the curve's points.
    void Draw(QPainter* painter, int left, int top, int right, int bottom) override;

protected:
    void DrawAfresh(QPainter* painter, int left, int top, int right, int bottom) override;
};

// The Y axis ruler left of the plot: linear, or in decades on a logarithmic axis.
class FVRuler : public FRuler {
    Q_OBJECT
public:
    using FRuler::FRuler;
    int GetThickness(QPaintDevice* device) const override;
    int GetLabelCount(QPaintDevice* device, const QRect& rect) const override;
    // Kept: the Y axis seldom changes while X is zoomed or panned.
    void Draw(QPainter* painter, int left, int top, int right, int bottom) override;

protected:
    void DrawAfresh(QPainter* painter, int left, int top, int right, int bottom) override;
};

}  // namespace qor::ui
