// The main window without a modem: construction, layout and size, settings,
// the search for a modem, the Load Defaults question and the keyboard. The
// connection state machine driven through its slots is tst_window_connection.

#include "ale_2g_control_panel.h"
#include "heading_display_widget.h"
#include "link_quality_plot.h"
#include "widget_tree.h"
#include "window_fixture.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>

class Tst_window : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void first_start_geometry_and_title();
    void close_saves_geometry_for_the_next_window_data();
    void close_saves_geometry_for_the_next_window();
    void headings_and_panels_in_the_grid_data();
    void headings_and_panels_in_the_grid();
    void fits_1024_by_700_with_the_data_port_open();
    void only_the_modem_interface_is_usable_at_start();
    void heading_paints_rounded_banner_data();
    void heading_paints_rounded_banner();

    void connect_without_ports_does_nothing();
    void port_that_cannot_be_opened_data();
    void port_that_cannot_be_opened();
    void auto_detect_tries_each_port_once();
    void port_stored_on_connect_is_not_listed_again();
    void load_defaults_asks_first();
    void keyboard_data();
    void keyboard();
};

void Tst_window::first_start_geometry_and_title()
{
    Talvane window;
    QCOMPARE(window.pos(), QPoint(50, 50));
    QCOMPARE(window.size(), QSize(960, 400));
    QCOMPARE(window.windowTitle(), QString("Talvane V1.1.6"));
    QVERIFY(!window.windowIcon().isNull());
    QCOMPARE(window.status_text(), QString("Not connected"));
    QCOMPARE(QSettings().value("COM Port", "none").toString(), QString("none"));
}

void Tst_window::close_saves_geometry_for_the_next_window_data()
{
    // Sizes beyond the smallest one the panels allow.
    QTest::addColumn<QSize>("growth");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("larger, moved") << QSize(140, 120) << QPoint(120, 80);
    QTest::newRow("smallest, at origin") << QSize(0, 0) << QPoint(0, 0);
    QTest::newRow("off the screen") << QSize(10, 10) << QPoint(5000, 3000);
}

void Tst_window::close_saves_geometry_for_the_next_window()
{
    QFETCH(QSize, growth);
    QFETCH(QPoint, position);
    QSize size;
    {
        Talvane window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        size = window.minimumSizeHint().expandedTo(QSize(960, 400)) + growth;
        window.resize(size);
        window.move(position);
        QCOMPARE(window.size(), size);
        QVERIFY(window.close());
    }
    Talvane reopened;
    QCOMPARE(reopened.size(), size);
    QCOMPARE(reopened.pos(), position);
}

void Tst_window::headings_and_panels_in_the_grid_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<int>("panel");
    QTest::addColumn<int>("band");
    QTest::addColumn<int>("column");
    QTest::newRow("Modem Control") << "Modem Control" << 2 << 0 << 0;
    QTest::newRow("Modem Interface") << "Modem Interface" << 0 << 1 << 0;
    QTest::newRow("Data Interface") << "Data Interface" << 1 << 1 << 1;
    QTest::newRow("Radio Control") << "Radio Control" << 3 << 2 << 0;
    QTest::newRow("2G ALE Control") << "2G ALE Control" << 5 << 2 << 1;
    QTest::newRow("Receive Information") << "Receive Information" << 4 << 2 << 2;
    QTest::newRow("Link Quality History") << "Link Quality History" << 6 << 2 << 3;
}

void Tst_window::headings_and_panels_in_the_grid()
{
    QFETCH(QString, heading);
    QFETCH(int, panel);
    QFETCH(int, band);
    QFETCH(int, column);

    Talvane window;
    Talvane_test_probe probe{window};
    QWidget* panels[] = {probe.panel(0), probe.panel(1), probe.panel(2),       probe.panel(3),
                         probe.panel(4), probe.panel(5), window.link_quality()};
    Heading_display_widget* found = nullptr;
    for (auto* widget : window.findChildren<Heading_display_widget*>()) {
        if (widget->text() == heading) {
            QVERIFY2(!found, "heading built twice");
            found = widget;
        }
    }
    QVERIFY(found);
    QLayout* bands = window.centralWidget()->layout();
    QCOMPARE(bands->count(), 3);
    auto* grid = qobject_cast<QGridLayout*>(bands->itemAt(band)->layout());
    QVERIFY(grid);
    QCOMPARE(grid->itemAtPosition(0, column)->widget(), found);
    QCOMPARE(grid->itemAtPosition(1, column)->widget(), panels[panel]);
    if (panel < 6) {
        QVERIFY(qobject_cast<QGroupBox*>(panels[panel])->title().isEmpty());
    }
    QCOMPARE(window.findChildren<Heading_display_widget*>().size(), 7);
}

void Tst_window::fits_1024_by_700_with_the_data_port_open()
{
    // The font Qt takes on a plain X server (the offscreen platform's is
    // larger).
    const QFont platform_font = QApplication::font();
    QApplication::setFont(QFont("DejaVu Sans", 9));
    {
        Talvane window;
        Talvane_test_probe probe{window};
        window.data_interface()->show_vsp_port_name("/run/user/1000/talvane/COM3 (connected)",
                                                    "/dev/pts/3");
        window.data_interface()->show_vsp_baud("115200");
        window.data_interface()->show_vsp_data_format("8N1");
        window.data_interface()->show_vsp_flow_control("XON/XOFF");
        probe.enter(CONNECTION_STATE_CONNECTED);
        // Long status texts wrap rather than widen their groups.
        window.connection_status_label->setText("<font color='red'>Error opening port</font>");
        window.ale_2g_control()->status_label()->setText("Invalid Other Address");
        window.ale_2g_control()->detail_label()->setText(
            "Link aborted due to activity timeout (120 sec)");
        const QSize smallest = window.minimumSizeHint();
        QVERIFY2(smallest.width() <= 1024 && smallest.height() <= 700,
                 qPrintable(QString("%1 x %2").arg(smallest.width()).arg(smallest.height())));
        // At that size the data port's path has its two lines to itself.
        const QString long_path = "/tmp/talvane-run.eM7Ie1/talvane/COM3";
        window.data_interface()->show_vsp_port_name(long_path, "/dev/pts/3");
        window.resize(smallest);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QLabel* path = window.data_interface()->vsp_port_name_label;
        const QLabel* baud = window.data_interface()->vsp_baud_label;
        QVERIFY(path->text().endsWith("/talvane/\nCOM3"));
        QCOMPARE(path->toolTip(), long_path + "\n/dev/pts/3");
        QVERIFY(!path->geometry().intersects(baud->geometry()));
    }
    QApplication::setFont(platform_font);
}

void Tst_window::only_the_modem_interface_is_usable_at_start()
{
    Talvane window;
    Talvane_test_probe probe{window};
    QVERIFY(probe.panel(0)->isEnabled());
    for (int panel = 1; panel < 6; ++panel) {
        QVERIFY2(!probe.panel(panel)->isEnabled(), qPrintable(QString::number(panel)));
    }
    QVERIFY(!probe.save_button()->isEnabled());
    QVERIFY(!probe.load_defaults_button()->isEnabled());
    QVERIFY(probe.ports()->isEnabled());
    QCOMPARE(probe.ports()->itemText(0), QString("Auto Detect"));
    QCOMPARE(probe.connect_button()->text(), QString("Connect"));
    QCOMPARE(probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
    QVERIFY(window.connection_hint_label->isVisibleTo(&window));
    QCOMPARE(window.connection_hint_label->text(),
             QString("Choose the modem's serial port and press Connect"));
    for (QTimer* timer : {probe.connect_timer(), probe.boot_timer(), probe.init_timer(),
                          probe.keep_alive_timer(), probe.display_timer()}) {
        QVERIFY(!timer->isActive());
    }
    // Not connected: the Modem Control panel's status row shows "-".
    QCOMPARE(window.modem_control()->tx_status_label->text(), QString("-"));
    QCOMPARE(window.modem_control()->rx_status_label->text(), QString("-"));
}

void Tst_window::heading_paints_rounded_banner_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("text");
    QTest::newRow("minimum size, no text") << QSize(20, 20) << QString();
    QTest::newRow("minimum size, text wider than the widget")
        << QSize(20, 20) << QString("Receive Information");
    QTest::newRow("wide banner") << QSize(200, 24) << QString("Modem Interface");
}

void Tst_window::heading_paints_rounded_banner()
{
    QFETCH(QSize, size);
    QFETCH(QString, text);
    Heading_display_widget heading(text);
    QCOMPARE(heading.minimumSize(), QSize(20, 20));
    heading.resize(size);
    const QImage image = heading.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), size);

    const QColor fill(51, 86, 135);
    // The corners are rounded off: the corner pixel is not the full fill.
    QVERIFY(image.pixelColor(0, 0) != fill);
    // Along the top edge, inside the outline and above the text, the fill.
    QCOMPARE(image.pixelColor(size.width() / 2, 2), fill);
    // White text pixels inside the banner, none without text.
    int white = 0;
    for (int y = 2; y < image.height() - 2; ++y) {
        for (int x = 2; x < image.width() - 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            white += c.red() > 245 && c.green() > 245 && c.blue() > 245;
        }
    }
    if (text.isEmpty()) {
        QCOMPARE(white, 0);
    } else {
        QVERIFY(white > 0);
    }
}

void Tst_window::connect_without_ports_does_nothing()
{
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_ports({});
    QSignalSpy changes(&window, &Talvane::connection_state_changed);
    probe.press_connect();
    QCOMPARE(probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
    QCOMPARE(changes.count(), 0);
    QVERIFY(!probe.connect_timer()->isActive());
    QCOMPARE(QSettings().value("COM Port", "unset").toString(), QString("unset"));
}

void Tst_window::port_that_cannot_be_opened_data()
{
    QTest::addColumn<QString>("device");
    QTest::newRow("missing device") << "/nonexistent/ttyUSB7";
    QTest::newRow("a folder") << QDir::tempPath();
    QTest::newRow("not a terminal") << "/dev/null";
}

void Tst_window::port_that_cannot_be_opened()
{
    QFETCH(QString, device);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_ports({device});
    probe.ports()->setCurrentIndex(1);
    QSignalSpy changes(&window, &Talvane::connection_state_changed);

    probe.press_connect();
    QCOMPARE(probe.state(), int(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL));
    QCOMPARE(probe.status(), QString("<font color='red'>Error opening port</font>"));
    QCOMPARE(probe.connect_button()->text(), QString("Connect"));
    QVERIFY(probe.ports()->isEnabled());
    QCOMPARE(QSettings().value("COM Port").toString(), device);

    // Connect again retries the same port.
    probe.press_connect();
    QCOMPARE(probe.state(), int(CONNECTION_STATE_ERROR_PORT_OPEN_FAIL));
    QCOMPARE(changes.count(), 2);
    QCOMPARE(probe.ports()->currentText(), device);
}

void Tst_window::auto_detect_tries_each_port_once()
{
    // The search's steps on the line are the connection's tests; here, what
    // the window shows of them.
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_ports({"/nonexistent/a", "/nonexistent/b"});
    probe.ports()->setCurrentIndex(0);
    probe.press_connect();
    QCOMPARE(probe.status(), QString("Trying /nonexistent/a (1/2)"));
    // While it searches, the button stops the search.
    QVERIFY(!probe.ports()->isEnabled());
    QCOMPARE(probe.connect_button()->text(), QString("Disconnect"));
    QVERIFY(!window.connection_hint_label->isVisibleTo(&window));
    QTRY_COMPARE_WITH_TIMEOUT(probe.status(), QString("No modem found"), scaled_ms(3000));
    QCOMPARE(probe.ports()->currentIndex(), 0);
    QVERIFY(probe.ports()->isEnabled());
    QCOMPARE(probe.connect_button()->text(), QString("Connect"));
    QVERIFY(window.connection_hint_label->isVisibleTo(&window));

    probe.press_connect();
    QVERIFY(probe.auto_detect());
    probe.press_connect();
    QVERIFY(!probe.auto_detect());
    QVERIFY(!probe.connect_timer()->isActive());
    QCOMPARE(probe.status(), QString("Not connected"));
    QCOMPARE(probe.ports()->currentIndex(), 0);
}

void Tst_window::port_stored_on_connect_is_not_listed_again()
{
    Pty_pair pty;
    QVERIFY(!pty.slave_path().isEmpty());
    {
        Talvane window;
        Talvane_test_probe probe{window};
        probe.set_ports({"/nonexistent/x", pty.slave_path()});
        probe.ports()->setCurrentIndex(2);
        probe.press_connect();
        QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTING));
        QVERIFY(!probe.ports()->isEnabled());
        QCOMPARE(probe.connect_button()->text(), QString("Disconnect"));
        probe.press_connect(); // Disconnect
        QCOMPARE(probe.state(), int(CONNECTION_STATE_NOT_CONNECTED));
        QVERIFY(!probe.connect_timer()->isActive());
    }
    QCOMPARE(QSettings().value("COM Port").toString(), pty.slave_path());
    Talvane window;
    Talvane_test_probe probe{window};
    // The stored name is not in the system's list: the selection stays.
    QCOMPARE(probe.ports()->currentIndex(), 0);
}

void Tst_window::load_defaults_asks_first()
{
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_CONNECTED);
    Sent_frames sent(window.modem());
    const QString reset = "Tac1_msg_modem_ctrl_reset_set";
    auto answer = [&](QMessageBox::StandardButton button) {
        probe.load_defaults_button()->click();
        QMessageBox* question = window.load_defaults_question();
        QVERIFY(question && question->isVisible());
        QVERIFY(question->text().contains("resets the modem"));
        QCOMPARE(sent.messages(reset).size(), 0);
        question->button(button)->click();
    };
    answer(QMessageBox::No);
    QCOMPARE(sent.messages(reset).size(), 0);
    answer(QMessageBox::Yes);
    QCOMPARE(sent.messages(reset).size(), 1);
    QCOMPARE(sent.messages(reset).first().payload, bytes({2}));
    // A question still open when the link drops is withdrawn.
    sent.clear();
    probe.load_defaults_button()->click();
    probe.enter(CONNECTION_STATE_CONNECTING_NO_RESPONSE);
    QTRY_VERIFY(!window.load_defaults_question());
    QCOMPARE(sent.messages(reset).size(), 0);
}

void Tst_window::keyboard_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("focused_after");
    const QString kill = "Tac1_msg_tx_kill_pause_set";
    QTest::newRow("Return presses the focused button")
        << "Save"
        << "Return" << QStringList{"Tac1_msg_modem_save_cfg_to_nvm_set"} << "Save";
    QTest::newRow("Esc kills transmission from any control")
        << "Self Address"
        << "Esc" << QStringList{kill} << "Self Address";
    QTest::newRow("Esc again does not resume") << "Save"
                                               << "Esc Esc" << QStringList{kill} << "Save";
    QTest::newRow("mnemonic of a caption") << "Save"
                                           << "Alt+L" << QStringList{} << "Self Address";
    // 2G ALE takes the radio: the radio model selector is disabled under the
    // focus, and the next control along is the transmit audio level.
    QTest::newRow("a disabled control leaves the focus with its panel")
        << "Radio Model"
        << "ALE takes the radio" << QStringList{} << "Radio Control";
}

void Tst_window::keyboard()
{
    QFETCH(QString, focus);
    QFETCH(QString, action);
    Talvane window;
    Talvane_test_probe probe{window};
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    probe.enter(CONNECTION_STATE_CONNECTED);
    const QHash<QString, QWidget*> widgets{
        {"Save", probe.save_button()},
        {"Self Address", widget_tree::captioned_control(&window, "Self Address:")},
        {"Radio Model", window.radio_control()->radio_model_selector},
        {"Radio Control", window.radio_control()},
    };
    widgets[focus]->setFocus(Qt::MouseFocusReason);
    Sent_frames sent(window.modem());
    for (const QString& step : action.split(' ')) {
        if (step == "ALE") {
            window.radio_control()->set_locked_by_ale(true);
            break;
        }
        const QKeySequence key(step == "Esc" ? QString("Escape") : step);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key[0] & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key[0] & Qt::KeyboardModifierMask));
    }
    // What the keys sent, and never a transmit level.
    QTEST(sent.names().filter(QRegularExpression("save_cfg|tx_kill|audio_tx")), "sent");
    QFETCH(QString, focused_after);
    QCOMPARE(QApplication::focusWidget(), widgets[focused_after]);
}

QTEST_MAIN(Tst_window)
#include "tst_window.moc"
