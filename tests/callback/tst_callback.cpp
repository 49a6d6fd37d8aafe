#include "callback.h"

#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Record
{
    int value = 0;
};

// A body that counts its invocations and reports its destruction.
class Probe_body : public Base_callback_body<Record*>
{
public:
    explicit Probe_body(int* destroyed) : _destroyed(destroyed) {}
    ~Probe_body() override { ++*_destroyed; }
    void invoke(Record* record) override { ++record->value; }

private:
    int* _destroyed;
};

class Receiver
{
public:
    void add(Record* record) { record->value += step; }
    bool add_and_report(Record* record)
    {
        record->value += 100;
        return true;
    }
    int step = 1;
};

// Runs body in a child process and returns its stderr and whether it died of
// SIGABRT.
bool aborts_with(const std::function<void()>& body, QByteArray& report)
{
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) {
        return false;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe_ends[1], STDERR_FILENO);
        close(pipe_ends[0]);
        body();
        _exit(0);
    }
    close(pipe_ends[1]);
    char chunk[512];
    ssize_t n = 0;
    while ((n = read(pipe_ends[0], chunk, sizeof chunk)) > 0) {
        report.append(chunk, int(n));
    }
    close(pipe_ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT;
}

} // namespace

class Tst_callback : public QObject
{
    Q_OBJECT

private slots:
    void reference_counting_data();
    void reference_counting();
    void member_callbacks();
    void contract_violations_data();
    void contract_violations();
};

// Each step acts on handle slots h[0..2] that start out holding copies of one
// probe body in the first `copies` slots and Nil bodies elsewhere.
void Tst_callback::reference_counting_data()
{
    QTest::addColumn<int>("copies");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("destroyed");
    QTest::newRow("one handle") << 1 << QStringList{} << 1 << 0;
    QTest::newRow("three copies") << 3 << QStringList{} << 3 << 0;
    QTest::newRow("assign same body") << 2 << QStringList{"h1=h0", "h0=h0"} << 2 << 0;
    QTest::newRow("assign Nil over a copy") << 2 << QStringList{"h1=nil"} << 1 << 0;
    QTest::newRow("assign Nil over the last") << 1 << QStringList{"h0=nil"} << 0 << 1;
    QTest::newRow("copy into Nil slot") << 1 << QStringList{"h2=h0"} << 2 << 0;
    QTest::newRow("every handle gone") << 3 << QStringList{"h0=nil", "h1=nil", "h2=nil"} << 0 << 1;
}

void Tst_callback::reference_counting()
{
    QFETCH(int, copies);
    QFETCH(QStringList, steps);
    int destroyed = 0;
    auto* probe = new Probe_body(&destroyed);
    {
        const Callback<Record*> first(probe);
        Callback<Record*> h[3];
        for (int i = 0; i < copies; ++i) {
            h[i] = first;
        }
        QCOMPARE(probe->_cnt, copies + 1);
        for (const QString& step : steps) {
            const int target = step.at(1).digitValue();
            if (step.endsWith("nil")) {
                h[target] = Callback<Record*>();
            } else {
                h[target] = h[step.at(4).digitValue()];
            }
        }
        const int handles = std::count_if(
            std::begin(h), std::end(h), [&](const auto& handle) { return handle._body == probe; });
        QTEST(handles, "count");
        QCOMPARE(probe->_cnt, handles + 1);
        Record record;
        for (const auto& handle : h) {
            if (!handle.is_nil()) {
                handle(&record);
            }
        }
        QCOMPARE(record.value, handles);
    }
    // The last handle (first) is gone too now.
    QCOMPARE(destroyed, 1);
}

void Tst_callback::member_callbacks()
{
    Receiver receiver;
    receiver.step = 7;
    Record record;
    const Callback<Record*> add = make_member_callback(&receiver, &Receiver::add);
    const Callback<Record*> report(
        new Member_callback_body<Record*, Receiver, bool>(&receiver, &Receiver::add_and_report));
    QVERIFY(!add.is_nil());
    add(&record);
    add.invoke(&record);
    report(&record);
    QCOMPARE(record.value, 7 + 7 + 100);
    QVERIFY(Callback<Record*>().is_nil());
}

void Tst_callback::contract_violations_data()
{
    QTest::addColumn<QString>("case_name");
    QTest::addColumn<QString>("expression");
    QTest::addColumn<int>("line");
    QTest::newRow("invoking Nil") << "nil"
                                  << "false" << 80;
    QTest::newRow("releasing a body at zero") << "release"
                                              << "_cnt > 0" << 52;
    QTest::newRow("copying a handle without body") << "copy"
                                                   << "callback._body" << 155;
}

// Contract violations abort with the expression, the header and the line.
void Tst_callback::contract_violations()
{
    QFETCH(QString, case_name);
    QFETCH(QString, expression);
    QFETCH(int, line);
    const std::function<void()> cases[] = {
        [] {
            Record record;
            Callback<Record*>()(&record);
        },
        [] {
            Callback<Record*> handle;
            handle._body->_cnt = 0;
            handle._body->release();
        },
        [] {
            Callback<Record*> handle;
            Base_callback_body<Record*>* body = handle._body;
            handle._body = nullptr;
            const Callback<Record*> copy(handle);
            handle._body = body;
        },
    };
    const int index = case_name == "nil" ? 0 : case_name == "release" ? 1 : 2;
    QByteArray report;
    QVERIFY(aborts_with(cases[index], report));
    QVERIFY2(report.contains(QString("module-callback/include/callback.h:%1:").arg(line).toUtf8()),
             report.constData());
    QVERIFY2(report.contains(QString("Assertion `%1' failed").arg(expression).toUtf8()),
             report.constData());
}

QTEST_APPLESS_MAIN(Tst_callback)
#include "tst_callback.moc"
