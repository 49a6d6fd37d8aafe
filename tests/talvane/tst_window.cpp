// The main window without a modem: construction, layout and size, settings, and the
// connection state machine driven directly through its slots.

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

    void startup_status_data();
    void startup_status();
    void init_answers_data();
    void init_answers();
    void init_timer_report_lists_outstanding_answers();
    void connected_status_names_the_model_data();
    void connected_status_names_the_model();
    void software_version_gives_model_and_title_data();
    void software_version_gives_model_and_title();
    void software_version_completes_initialisation();
    void keep_alive_data();
    void keep_alive();
    void temporary_status_data();
    void temporary_status();
    void lost_port_gives_no_response_at_once_data();
    void lost_port_gives_no_response_at_once();
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

void Tst_window::startup_status_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("msg_ok");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("to");
    QTest::newRow("connecting, ready") << 1 << true << 1 << 4;
    QTest::newRow("no response, ready") << 2 << true << 1 << 4;
    QTest::newRow("booting, ready") << 3 << true << 1 << 4;
    QTest::newRow("connected, ready: no new initialisation") << 5 << true << 1 << 5;
    QTest::newRow("initialising, ready: not restarted") << 4 << true << 1 << 4;
    QTest::newRow("connecting, answer not ok") << 1 << false << 2 << 1;
    QTest::newRow("connected, answer not ok") << 5 << false << 1 << 5;
    QTest::newRow("connecting, booting") << 1 << true << 2 << 3;
    QTest::newRow("connected, booting") << 5 << true << 0 << 3;
    QTest::newRow("initialising, booting") << 4 << true << 7 << 3;
}

void Tst_window::startup_status()
{
    QFETCH(int, from);
    QFETCH(bool, msg_ok);
    QFETCH(int, status);
    QFETCH(int, to);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(Connection_state(from));
    if (from == CONNECTION_STATE_INITIALISING) {
        probe.duplex_ack(); // one answer in: a restart would undo it
    }
    probe.boot_timer()->setInterval(8000);
    QSignalSpy changes(&window, &Talvane::connection_state_changed);

    probe.startup_status(msg_ok, uchar(status));
    QCOMPARE(probe.state(), to);
    QCOMPARE(changes.count(), to == from ? 0 : 1);
    if (to == CONNECTION_STATE_CONNECTING_MODEM_BOOTING) {
        QCOMPARE(probe.boot_timer()->interval(), 3000);
        QVERIFY(probe.boot_timer()->isActive());
        QVERIFY(!probe.connect_timer()->isActive());
        QCOMPARE(probe.status(), QString("Modem Booting"));
    }
    if (from == CONNECTION_STATE_INITIALISING && to == from) {
        QCOMPARE(probe.counter("INIT_RESP_DUPLEX_MODE"), 0);
    }
    if (to == CONNECTION_STATE_INITIALISING && from != to) {
        QVERIFY(probe.init_timer()->isActive());
        QVERIFY(probe.keep_alive_timer()->isActive());
        QCOMPARE(probe.counter("INIT_RESP_REGISTER_INDV_INDICATION"), 5);
        QCOMPARE(probe.counter("INIT_RESP_SW_VERSION"), 1);
    }
}

void Tst_window::init_answers_data()
{
    // Each answer is one letter: s system mode ack, d duplex ack, u upload
    // ack, n upload nack, r registration ack, x registration nack, m radio
    // model response. All other counters are already at 0.
    QTest::addColumn<QString>("outstanding");
    QTest::addColumn<QString>("answers");
    QTest::addColumn<bool>("connected");
    QTest::newRow("five registrations complete") << "rrrrr"
                                                 << "rrrrr" << true;
    QTest::newRow("four registrations do not") << "rrrrr"
                                               << "rrrr" << false;
    QTest::newRow("a registration nack does not count") << "rrrrr"
                                                        << "rrrrx" << false;
    QTest::newRow("upload mode ack") << "u"
                                     << "u" << true;
    QTest::newRow("upload mode nack counts too") << "u"
                                                 << "n" << true;
    QTest::newRow("system mode and duplex") << "sd"
                                            << "ds" << true;
    QTest::newRow("duplex missing") << "sd"
                                    << "ss" << false;
    QTest::newRow("radio model") << "m"
                                 << "m" << true;
}

void Tst_window::init_answers()
{
    QFETCH(QString, outstanding);
    QFETCH(QString, answers);
    QFETCH(bool, connected);
    const QMap<QChar, const char*> counters = {{'s', "INIT_RESP_SYSTEM_MODE"},
                                               {'d', "INIT_RESP_DUPLEX_MODE"},
                                               {'u', "INIT_RESP_UPLOAD_MODE"},
                                               {'r', "INIT_RESP_REGISTER_INDV_INDICATION"},
                                               {'m', "INIT_RESP_RADIO_MODEL"}};
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.set_all_counters(0);
    for (QChar c : outstanding) {
        probe.set_counter(counters.value(c), probe.counter(counters.value(c)) + 1);
    }
    Log_recorder log;
    for (QChar c : answers) {
        switch (c.toLatin1()) {
        case 's':
            probe.system_mode_ack();
            break;
        case 'd':
            probe.duplex_ack();
            break;
        case 'u':
            probe.upload_mode_ack();
            break;
        case 'n':
            probe.upload_mode_nack();
            break;
        case 'r':
            probe.registration_ack();
            break;
        case 'x':
            probe.registration_nack();
            break;
        case 'm':
            probe.radio_select_response();
            break;
        }
    }
    QCOMPARE(probe.state(),
             int(connected ? CONNECTION_STATE_CONNECTED : CONNECTION_STATE_INITIALISING));
    QCOMPARE(log.in("init").contains("Responses to all initialisation messages received."),
             connected);
    if (connected) {
        QVERIFY(!probe.init_timer()->isActive());
        QVERIFY(probe.keep_alive_timer()->isActive());
        // Late answers in Connected change nothing.
        const int before = probe.counter("INIT_RESP_REGISTER_INDV_INDICATION");
        probe.registration_ack();
        QCOMPARE(probe.counter("INIT_RESP_REGISTER_INDV_INDICATION"), before);
    }
}

void Tst_window::init_timer_report_lists_outstanding_answers()
{
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.set_all_counters(0);
    probe.set_counter("INIT_RESP_DTE_PORT_MODE", 1);
    probe.set_counter("INIT_RESP_REGISTER_INDV_INDICATION", 2);
    Log_recorder log;
    probe.init_timeout();
    QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
    const QStringList lines = log.in("init");
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(0), QString("INIT TIMER -------------"));
    QString expected = "Responses outstanding:";
    for (const auto& counter : probe.counters()) {
        expected += "\n    " + counter.first + ":" + QString::number(counter.second);
    }
    QCOMPARE(lines.at(1), expected);
    QVERIFY(lines.at(1).contains("\n    INIT_RESP_DTE_PORT_MODE:1\n"));
    QVERIFY(lines.at(1).startsWith("Responses outstanding:\n    INIT_RESP_SW_VERSION:0\n"));
    QVERIFY(lines.at(1).endsWith("\n    INIT_RESP_RX_AUDIO_LEVEL:0"));
}

void Tst_window::connected_status_names_the_model_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("status");
    QTest::newRow("KX5") << 2 << "Connected to KX5";
    QTest::newRow("KY5") << 3 << "Connected to KY5";
    QTest::newRow("other") << 1 << "Connected to LZ7";
    QTest::newRow("not yet known") << 0 << "Connected to LZ7";
}

void Tst_window::connected_status_names_the_model()
{
    QFETCH(int, model);
    QFETCH(QString, status);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_model(model);
    probe.set_response_seen(false);
    probe.enter(CONNECTION_STATE_CONNECTED);
    QCOMPARE(probe.status(), status);
    QVERIFY(probe.response_seen());
    QVERIFY(!probe.ports()->isEnabled());
    QVERIFY(!window.connection_hint_label->isVisibleTo(&window));
    for (int panel = 0; panel < 6; ++panel) {
        QVERIFY(probe.panel(panel)->isEnabled());
    }
    QVERIFY(probe.save_button()->isEnabled());
    QVERIFY(probe.load_defaults_button()->isEnabled());
    QCOMPARE(probe.keep_alive_timer()->interval(), 2000);
    QVERIFY(probe.keep_alive_timer()->isActive());

    probe.enter(CONNECTION_STATE_NOT_CONNECTED);
    QCOMPARE(window.windowTitle(), QString("Talvane V1.1.6"));
    for (int panel = 1; panel < 6; ++panel) {
        QVERIFY(!probe.panel(panel)->isEnabled());
    }
}

void Tst_window::software_version_gives_model_and_title_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("model");
    QTest::newRow("KX5") << "KX5 Modem 2.4.1" << 2;
    QTest::newRow("KY5") << "KY5-3.0" << 3;
    QTest::newRow("both, KX5 first") << "KY5/KX5" << 2;
    QTest::newRow("lower case") << "kx5 1.0" << 1;
    QTest::newRow("other") << "LZ7 5.1" << 1;
    QTest::newRow("empty") << "" << 1;
}

void Tst_window::software_version_gives_model_and_title()
{
    QFETCH(QString, version);
    QFETCH(int, model);
    Talvane window;
    Talvane_test_probe probe{window};
    window.modem_control()->_handle_software_version_number_request_response(20, version);
    QCOMPARE(probe.connection()->modem_model(), model);
    QCOMPARE(probe.connection()->modem_software_version(), version);
    const QString base =
        QApplication::applicationName() + " V" + QApplication::applicationVersion();
    QCOMPARE(window.windowTitle(),
             version.isEmpty() ? base : base + " (Modem S/W Version: " + version + ")");
}

// The software version as the last answer of the initialisation: the
// connected status and the completion report already know the modem.
void Tst_window::software_version_completes_initialisation()
{
    Talvane window;
    Talvane_test_probe probe{window};
    Log_recorder recorder;
    probe.enter(CONNECTION_STATE_INITIALISING);
    probe.expect_only("INIT_RESP_SW_VERSION", 1);
    window.modem_control()->_handle_software_version_number_request_response(20, "KX5 2.0");
    QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
    QCOMPARE(window.status_text(), QString("Connected to KX5"));
    QVERIFY(recorder.lines_with_levels().contains("D|info|Modem version: KX5 2.0"));
}

void Tst_window::keep_alive_data()
{
    QTest::addColumn<bool>("response_seen");
    QTest::addColumn<bool>("receiving");
    QTest::addColumn<int>("state");
    QTest::newRow("answered") << true << false << 5;
    // Reception does not excuse a missing answer: the modem may have
    // restarted, and a restarted modem never reports the end of reception.
    QTest::newRow("receiving, no answer") << false << true << 2;
    QTest::newRow("both") << true << true << 5;
    QTest::newRow("silent") << false << false << 2;
}

void Tst_window::keep_alive()
{
    QFETCH(bool, response_seen);
    QFETCH(bool, receiving);
    QFETCH(int, state);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(CONNECTION_STATE_CONNECTED);
    probe.set_response_seen(response_seen);
    probe.set_receiving(receiving);
    probe.keep_alive_timer()->stop();
    probe.keep_alive_timeout();
    QCOMPARE(probe.state(), state);
    if (state == CONNECTION_STATE_CONNECTED) {
        QVERIFY(!probe.response_seen());
        QVERIFY(probe.keep_alive_timer()->isActive());
    } else {
        QCOMPARE(probe.status(), QString("No Response"));
        QVERIFY(probe.connect_timer()->isActive());
        QVERIFY(!probe.keep_alive_timer()->isActive());
    }
}

void Tst_window::temporary_status_data()
{
    QTest::addColumn<bool>("reset");    // reset ack, else save ack
    QTest::addColumn<int>("change_to"); // state entered meanwhile, -1 for none
    QTest::addColumn<QString>("temporary");
    QTest::addColumn<QString>("after");
    QTest::newRow("reset, state kept") << true << -1 << "Safe Mode Reset"
                                       << "Modem Booting";
    QTest::newRow("reset, state changed")
        << true << int(CONNECTION_STATE_CONNECTING_NO_RESPONSE) << "No Response"
        << "No Response";
    QTest::newRow("reset, booting again")
        << true << int(CONNECTION_STATE_CONNECTING_MODEM_BOOTING) << "Modem Booting"
        << "Modem Booting";
    QTest::newRow("saved, state kept") << false << -1 << "Settings Saved"
                                       << "Connected to KX5";
    QTest::newRow("saved, then lost")
        << false << int(CONNECTION_STATE_CONNECTING_NO_RESPONSE) << "No Response"
        << "No Response";
}

void Tst_window::temporary_status()
{
    QFETCH(bool, reset);
    QFETCH(int, change_to);
    QFETCH(QString, temporary);
    QFETCH(QString, after);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_model(2);
    probe.enter(CONNECTION_STATE_CONNECTED);
    if (reset) {
        probe.reset_ack();
        QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTING_MODEM_BOOTING));
        QCOMPARE(probe.status(), QString("Safe Mode Reset"));
        QCOMPARE(probe.boot_timer()->interval(), 8000);
        QVERIFY(probe.boot_timer()->isActive());
    } else {
        probe.save_ack();
        QCOMPARE(probe.state(), int(CONNECTION_STATE_CONNECTED));
        QCOMPARE(probe.status(), QString("Settings Saved"));
    }
    QVERIFY(probe.display_timer()->isActive());
    QCOMPARE(probe.display_timer()->interval(), 2000);
    if (change_to >= 0) {
        probe.enter(Connection_state(change_to));
        QCOMPARE(probe.status(), temporary);
    }
    probe.display_timeout();
    QCOMPARE(probe.status(), after);
}

void Tst_window::lost_port_gives_no_response_at_once_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::newRow("connected") << 5 << 2;
    QTest::newRow("initialising") << 4 << 2;
    QTest::newRow("booting") << 3 << 2;
    QTest::newRow("connecting") << 1 << 2;
    QTest::newRow("not connected") << 0 << 0;
    QTest::newRow("error") << 6 << 6;
}

void Tst_window::lost_port_gives_no_response_at_once()
{
    QFETCH(int, from);
    QFETCH(int, to);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.enter(Connection_state(from));
    probe.port_lost();
    QCOMPARE(probe.state(), to);
    if (to == CONNECTION_STATE_CONNECTING_NO_RESPONSE) {
        QVERIFY(probe.connect_timer()->isActive());
        QVERIFY(!probe.keep_alive_timer()->isActive());
        QVERIFY(!probe.init_timer()->isActive());
        QVERIFY(!probe.boot_timer()->isActive());
    }
}

QTEST_MAIN(Tst_window)
#include "tst_window.moc"

using namespace vq_qt;

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
    QTEST(sent.names().filter(QRegularExpression("save_cfg|tx_kill|audio_tx")),
          "sent");
    QFETCH(QString, focused_after);
    QCOMPARE(QApplication::focusWidget(), widgets[focused_after]);
}
