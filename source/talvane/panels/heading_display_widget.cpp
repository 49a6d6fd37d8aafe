#include "heading_display_widget.h"

#include <QColor>
#include <QFont>
#include <QPainter>

namespace vq_qt {

Heading_display_widget::Heading_display_widget(QString text, QWidget* parent)
    : QWidget(parent), heading_text(std::move(text))
{
    setMinimumWidth(20);
    setMinimumHeight(20);
}

Heading_display_widget::~Heading_display_widget() = default;

void Heading_display_widget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setFont(QFont("Arial", 8, 75, false));
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(QBrush(QColor(51, 86, 135, 255), Qt::SolidPattern));
    painter.drawRoundedRect(QRect(0, 0, width(), height()), 4, 4, Qt::AbsoluteSize);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignVCenter, heading_text);
}

} // namespace vq_qt
