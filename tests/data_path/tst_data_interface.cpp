// The choice of data interface: what the "Data Interface" panel shows for
// each, "Data IF Raw" stored by Save from the operator's choice, and the
// stored choice applied again when a modem is connected.

#include "window_fixture.h"

#include <QtTest>

namespace {

QList<QWidget*> vsp_labels(Data_interface_panel* panel)
{
    return {panel->vsp_port_name_label, panel->vsp_baud_label, panel->vsp_data_format_label,
            panel->vsp_flow_control_label};
}

// "vsp" when only the virtual port's labels show, "raw" when only the modem
// data port's label and selectors do, anything else spelled out.
QString shown_interface(Data_interface_panel* panel, const QList<QWidget*>& selectors)
{
    int vsp = 0;
    for (QWidget* label : vsp_labels(panel)) {
        vsp += label->isHidden() ? 0 : 1;
    }
    int raw = panel->raw_port_label->isHidden() ? 0 : 1;
    for (QWidget* selector : selectors) {
        raw += selector->isHidden() ? 0 : 1;
    }
    if (vsp == 4 && raw == 0) {
        return "vsp";
    }
    if (vsp == 0 && raw == 4) {
        return "raw";
    }
    return QString("%1 virtual port labels and %2 data port widgets shown").arg(vsp).arg(raw);
}

} // namespace

class Tst_data_interface : public QObject
{
    Q_OBJECT

private slots:
    void init() { clear_window_settings(); }

    void switching_restores_the_labels();
    void save_stores_the_choice_data();
    void save_stores_the_choice();
    void stored_choice_applied_on_connected_data();
    void stored_choice_applied_on_connected();
};

void Tst_data_interface::switching_restores_the_labels()
{
    // The panel takes the selectors into its grid and owns them.
    auto* rate = new QComboBox;
    auto* format = new QComboBox;
    auto* flow = new QComboBox;
    Data_interface_panel panel(rate, format, flow);
    const QList<QWidget*> selectors{rate, format, flow};
    QCOMPARE(shown_interface(&panel, selectors), QString("vsp"));
    panel.show_vsp_port_name("COM3 (connected)", "/dev/pts/9");
    panel.show_vsp_baud("9600");
    panel.show_vsp_data_format("7E2");
    panel.show_vsp_flow_control("CTS/RTS");

    panel.raw_data_interface_button->click();
    QVERIFY(panel.data_if_raw());
    QCOMPARE(shown_interface(&panel, selectors), QString("raw"));
    QCOMPARE(panel.raw_port_label->text(), QString("KX5 Data Port"));

    panel.vsp_data_interface_button->click();
    QVERIFY(!panel.data_if_raw());
    QCOMPARE(shown_interface(&panel, selectors), QString("vsp"));
    QCOMPARE(panel.vsp_port_name_label->text(), QString("COM3 (connected)"));
    QCOMPARE(panel.vsp_port_name_label->toolTip(), QString("/dev/pts/9"));
    QCOMPARE(panel.vsp_baud_label->text(), QString("9600"));
    QCOMPARE(panel.vsp_data_format_label->text(), QString("7E2"));
    QCOMPARE(panel.vsp_flow_control_label->text(), QString("CTS/RTS"));
}

void Tst_data_interface::save_stores_the_choice_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<bool>("stored_before");
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<bool>("saved");
    QTest::newRow("data port chosen") << 2 << false << "KX5 Data Port" << true;
    QTest::newRow("virtual port chosen") << 2 << true << "Virtual COM Port" << false;
    QTest::newRow("nothing clicked, data port remembered") << 2 << true << "" << true;
    QTest::newRow("nothing clicked, virtual port remembered") << 2 << false << "" << false;
    // A modem without a data port of its own shows the virtual port, and
    // the operator's choice is kept for the next one.
    QTest::newRow("LZ7, data port remembered") << 1 << true << "" << true;
    QTest::newRow("LZ7, the only port clicked") << 1 << true << "Virtual COM Port" << true;
}

void Tst_data_interface::save_stores_the_choice()
{
    QFETCH(int, model);
    QFETCH(bool, stored_before);
    QFETCH(QString, clicked);
    QFETCH(bool, saved);
    QSettings().setValue("Data IF Raw", stored_before);
    Talvane window;
    Talvane_test_probe probe{window};
    probe.set_model(model);
    probe.enter(CONNECTION_STATE_CONNECTED);
    Data_interface_panel* panel = window.data_interface();
    if (clicked == "KX5 Data Port") {
        panel->raw_data_interface_button->click();
    } else if (clicked == "Virtual COM Port") {
        panel->vsp_data_interface_button->click();
    }
    QSettings().setValue("Data IF Raw", !saved);
    window._ui_action_settings_save();
    QCOMPARE(QSettings().value("Data IF Raw").toBool(), saved);
}

void Tst_data_interface::stored_choice_applied_on_connected_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("raw_offered");
    QTest::newRow("KX5, data port stored") << true << 2 << "raw" << true;
    QTest::newRow("KY5, data port stored") << true << 3 << "raw" << true;
    QTest::newRow("KX5, virtual port stored") << false << 2 << "vsp" << true;
    QTest::newRow("LZ7, data port stored") << true << 1 << "vsp" << false;
}

void Tst_data_interface::stored_choice_applied_on_connected()
{
    QFETCH(bool, stored);
    QFETCH(int, model);
    QFETCH(QString, shown);
    QFETCH(bool, raw_offered);
    QSettings().setValue("Data IF Raw", stored);
    Talvane window;
    Talvane_test_probe probe{window};
    Data_interface_panel* panel = window.data_interface();
    QList<QWidget*> selectors;
    for (QComboBox* selector : panel->findChildren<QComboBox*>()) {
        selectors << selector;
    }
    QCOMPARE(selectors.size(), 3);
    probe.set_model(model);
    probe.enter(CONNECTION_STATE_CONNECTED);
    QCOMPARE(shown_interface(panel, selectors), shown);
    QCOMPARE(panel->raw_data_interface_chosen(), shown == "raw");
    QCOMPARE(panel->raw_data_interface_button->isEnabled(), raw_offered);
}

QTEST_MAIN(Tst_data_interface)
#include "tst_data_interface.moc"
