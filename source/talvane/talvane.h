#pragma once

#include <QMainWindow>

// The console's main window.
class Talvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit Talvane(QWidget* parent = nullptr);
    ~Talvane() override;
};
