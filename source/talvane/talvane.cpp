#include "talvane.h"

Talvane::Talvane(QWidget* parent) : QMainWindow(parent) {}

Talvane::~Talvane() = default;
