// A small window for the operator command tests: captioned fields, buttons
// (one disabled, one hidden, two alike), and a record of every signal an
// operator's action fires.
#pragma once

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <functional>

class Operated_window : public QWidget
{
public:
    QStringList events;
    std::function<void()> on_close;
    QLabel* status;
    QComboBox* model;
    QLineEdit* address;
    QSpinBox* frequency;

    Operated_window()
    {
        setWindowTitle("Console");
        auto* grid = new QGridLayout(this);
        status = new QLabel("<font color='red'>Not&nbsp;Connected</font>", this);
        grid->addWidget(new QLabel("Status:", this), 0, 0);
        grid->addWidget(status, 0, 1);

        grid->addWidget(button("Connect"), 1, 0);
        grid->addWidget(button("Tx &Kill"), 1, 1);
        grid->addWidget(button("Disabled"), 1, 2);
        findChild<QPushButton*>("Disabled")->setEnabled(false);
        auto* enable = new QCheckBox("Enable", this);
        enable->setObjectName("Enable");
        record(enable);
        grid->addWidget(enable, 1, 3);
        auto* wide = new QRadioButton("Wide", this);
        wide->setObjectName("Wide");
        record(wide);
        grid->addWidget(wide, 1, 4);

        model = new QComboBox(this);
        model->addItems({"Alpha 100", "Beta 200", "Gamma 300"});
        qobject_cast<QStandardItemModel*>(model->model())->item(2)->setEnabled(false);
        connect(model, qOverload<int>(&QComboBox::currentIndexChanged), this,
                [this](int i) { events << QString("index %1").arg(i); });
        connect(model, qOverload<int>(&QComboBox::activated), this,
                [this](int i) { events << QString("activated %1").arg(i); });
        caption(2, "Radio &Model:", model);
        auto* sideband = new QComboBox(this);
        sideband->addItems({"USB", "LSB"});
        sideband->setEnabled(false);
        caption(3, "Sideband:", sideband);

        // Upper-cases what is typed, as the console's address fields do.
        address = new QLineEdit(this);
        address->setValidator(
            new QRegularExpressionValidator(QRegularExpression("[A-Za-z0-9]{1,15}"), address));
        connect(address, &QLineEdit::textChanged, this,
                [this](const QString& t) { address->setText(t.toUpper()); });
        connect(address, &QLineEdit::textEdited, this,
                [this](const QString& t) { events << "edited " + t; });
        connect(address, &QLineEdit::returnPressed, this, [this] { events << "return"; });
        connect(address, &QLineEdit::editingFinished, this,
                [this] { events << "finished " + address->text(); });
        caption(4, "Other Address:", address);

        frequency = new QSpinBox(this);
        frequency->setRange(1500000, 30000000);
        connect(frequency, qOverload<int>(&QSpinBox::valueChanged), this,
                [this](int v) { events << QString("value %1").arg(v); });
        connect(frequency, &QSpinBox::editingFinished, this,
                [this] { events << "frequency finished"; });
        caption(5, "Frequency:", frequency);

        auto* level = new QDoubleSpinBox(this);
        level->setRange(0, 1);
        connect(level, qOverload<double>(&QDoubleSpinBox::valueChanged), this,
                [this](double v) { events << QString("level %1").arg(v); });
        caption(6, "Level:", level);

        auto* locked = new QLineEdit("fixed", this);
        locked->setEnabled(false);
        caption(7, "Locked:", locked);
        auto* read_only = new QLineEdit("shown", this);
        read_only->setReadOnly(true);
        caption(8, "Read Only:", read_only);
        auto* hidden = new QLineEdit(this);
        caption(9, "Hidden:", hidden);
        hidden->hide();

        // Alike buttons: the upper one comes first in reading order, though
        // it was made last.
        grid->addWidget(button("Repeat", "lower repeat"), 11, 0);
        grid->addWidget(button("Repeat", "upper repeat"), 10, 0);
        auto* secret = button("Secret");
        grid->addWidget(secret, 10, 1);
        secret->hide();
        auto* hidden_label = new QLabel("Ghost text", this);
        grid->addWidget(hidden_label, 10, 2);
        hidden_label->hide();
    }

    // Shows the window and waits until it is laid out on the screen.
    bool show_and_wait()
    {
        show();
        return QTest::qWaitForWindowExposed(this);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (on_close) {
            on_close();
        }
        QWidget::closeEvent(event);
    }

private:
    QPushButton* button(const QString& text, const QString& name = {})
    {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name.isEmpty() ? QString(text).remove('&') : name);
        record(b);
        return b;
    }

    void record(QAbstractButton* b)
    {
        connect(b, &QAbstractButton::clicked, this,
                [this, b] { events << "clicked " + b->objectName(); });
    }

    void caption(int row, const QString& text, QWidget* control)
    {
        auto* label = new QLabel(text, this);
        label->setBuddy(control);
        static_cast<QGridLayout*>(layout())->addWidget(label, row, 0);
        static_cast<QGridLayout*>(layout())->addWidget(control, row, 1);
    }
};
