#pragma once

#include <QMainWindow>

// The console's main window. Its implementation is split by panel and
// subsystem, one .cpp file each; every file defines members of this class.
class Talvane : public QMainWindow
{
    Q_OBJECT

public:
    explicit Talvane(QWidget* parent = nullptr);
    ~Talvane() override;

    // ==== Modem control panel and receive information: public ====
    // ==== end modem control panel and receive information: public ====

private slots:
    // ==== Modem control panel and receive information: slots ====
    // ==== end modem control panel and receive information: slots ====

private:
    // ==== Modem control panel and receive information: members ====
    // ==== end modem control panel and receive information: members ====
};
