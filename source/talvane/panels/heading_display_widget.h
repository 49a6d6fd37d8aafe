#pragma once

#include <QString>
#include <QWidget>

class QPaintEvent;

namespace vq_qt {

// The painted banner that heads each group of the main window: white bold
// text centred on a rounded dark blue rectangle.
class Heading_display_widget : public QWidget
{
    Q_OBJECT

public:
    explicit Heading_display_widget(QString text, QWidget* parent = nullptr);
    ~Heading_display_widget() override;

    const QString& text() const { return heading_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString heading_text;
};

} // namespace vq_qt
