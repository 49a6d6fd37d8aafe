// Operator commands over time: waits that answer later, commands queued
// behind them, input read from a real pipe, the end of input, and quit.
#include "operated_window.h"
#include "operator_commands.h"

#include <QBuffer>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace vq_qt;

namespace {

// Both ends of a pipe, closed when the test ends.
struct Pipe
{
    int read_end = -1;
    int write_end = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) == 0) {
            read_end = fds[0];
            write_end = fds[1];
        }
    }
    ~Pipe()
    {
        close_writing();
        if (read_end >= 0) {
            ::close(read_end);
        }
    }
    // Writes all of bytes, letting the reader run while the pipe is full.
    bool write(const QByteArray& bytes)
    {
        ::fcntl(write_end, F_SETFL, O_NONBLOCK);
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(write_end, bytes.constData() + done, bytes.size() - done);
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno != EAGAIN) {
                return false;
            } else {
                QTest::qWait(1);
            }
        }
        return true;
    }
    void close_writing()
    {
        if (write_end >= 0) {
            ::close(write_end);
            write_end = -1;
        }
    }
};

} // namespace

class Tst_waits_and_input : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void wait_answers_when_text_appears_data();
    void wait_answers_when_text_appears();
    void wait_times_out();
    void commands_queue_behind_a_wait();
    void pipe_input_in_pieces();
    void end_of_input_leaves_the_window_up();
    void script_file_as_input();
    void overlong_line_refused_alone();
    void quit_answers_then_closes();
    void answers_go_to_a_file();

private:
    Operated_window* window = nullptr;
    QBuffer* output = nullptr;
};

void Tst_waits_and_input::init()
{
    window = new Operated_window;
    QVERIFY(window->show_and_wait());
    output = new QBuffer;
    output->open(QIODevice::ReadWrite);
}

void Tst_waits_and_input::cleanup()
{
    delete window;
    delete output;
}

void Tst_waits_and_input::wait_answers_when_text_appears_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("by_title");
    QTest::newRow("label") << "wait Ready 5" << false;
    QTest::newRow("title, default timeout") << R"(wait "Console - Ready")" << true;
}

void Tst_waits_and_input::wait_answers_when_text_appears()
{
    QFETCH(QString, line);
    QFETCH(bool, by_title);
    Operator_commands operated(window, -1, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    QVERIFY(operated.execute(line).isNull());
    QTimer::singleShot(50, window, [this, by_title] {
        if (by_title) {
            window->setWindowTitle("Console - Ready");
        } else {
            window->status->setText("<b>Ready</b>");
        }
    });
    QVERIFY(answers.wait(5000));
    QCOMPARE(answers.takeFirst().at(0).toString(), QString("ok"));
    QCOMPARE(output->data(), QByteArray("ok\n"));
}

void Tst_waits_and_input::wait_times_out()
{
    Operator_commands operated(window, -1, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    // A hidden label holds the text, which does not count.
    QVERIFY(operated.execute(R"(wait "Ghost text" 0.1)").isNull());
    QVERIFY(answers.wait(5000));
    QCOMPARE(answers.takeFirst().at(0).toString(), QString("error: timeout"));
}

void Tst_waits_and_input::commands_queue_behind_a_wait()
{
    Operator_commands operated(window, -1, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    QVERIFY(operated.execute("wait Ready 5").isNull());
    QVERIFY(operated.execute("click Connect").isNull());
    QVERIFY(operated.execute("wait Never 0").isNull());
    QVERIFY(operated.execute("click Enable").isNull());
    QVERIFY(window->events.isEmpty());
    window->status->setText("Ready");
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 4, 5000);
    QCOMPARE(output->data(), QByteArray("ok\nok\nerror: timeout\nok\n"));
    QCOMPARE(window->events, (QStringList{"clicked Connect", "clicked Enable"}));
    // Nothing pending: the next command answers at once again.
    QCOMPARE(operated.execute("click Connect"), QString("ok"));
}

void Tst_waits_and_input::pipe_input_in_pieces()
{
    Pipe pipe;
    QVERIFY(pipe.read_end >= 0);
    Operator_commands operated(window, pipe.read_end, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    QVERIFY(pipe.write("# a comment\n\ncli"));
    QTest::qWait(0);
    QVERIFY(pipe.write("ck Connect\nchoose \"Radio Model:\" \"Be"));
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, 5000);
    QVERIFY(pipe.write("ta 200\"\r\nset \"Other Address:\" BASÉ\n"));
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 3, 5000);
    QCOMPARE(QString::fromUtf8(output->data()),
             QString("ok\nok\nerror: \"Other Address:\" does not accept \"BASÉ\"\n"));
    QCOMPARE(window->events, (QStringList{"clicked Connect", "index 1", "activated 1"}));
    QVERIFY(operated.reading());
}

void Tst_waits_and_input::end_of_input_leaves_the_window_up()
{
    Pipe pipe;
    Operator_commands operated(window, pipe.read_end, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    QSignalSpy ended(&operated, &Operator_commands::input_ended);
    // A wait is still pending when the input ends; the last line has no newline.
    QVERIFY(pipe.write("wait Ready 5\nclick Connect"));
    pipe.close_writing();
    QVERIFY(ended.wait(5000));
    QVERIFY(!operated.reading());
    QVERIFY(window->isVisible());
    QCOMPARE(answers.size(), 0);
    window->status->setText("Ready");
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 5000);
    QCOMPARE(window->events, QStringList{"clicked Connect"});
    QVERIFY(window->isVisible());
    // Commands still work without input.
    QCOMPARE(operated.execute("click Connect"), QString("ok"));
}

void Tst_waits_and_input::script_file_as_input()
{
    // talvane --control < script: a file is always readable, then ends.
    QTemporaryFile script;
    QVERIFY(script.open());
    script.write("click Connect\nwait Ready 0.05\nset Frequency: 2000000\n");
    script.flush();
    const int fd = ::open(QFile::encodeName(script.fileName()).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    Operator_commands operated(window, fd, output);
    QSignalSpy ended(&operated, &Operator_commands::input_ended);
    QVERIFY(ended.wait(5000));
    QTRY_COMPARE_WITH_TIMEOUT(output->data(), QByteArray("ok\nerror: timeout\nok 2000000\n"), 5000);
    ::close(fd);
    QVERIFY(window->isVisible());
}

void Tst_waits_and_input::overlong_line_refused_alone()
{
    Pipe pipe;
    Operator_commands operated(window, pipe.read_end, output);
    QSignalSpy answers(&operated, &Operator_commands::answered);
    QVERIFY(pipe.write("click " + QByteArray(200 * 1024, 'x') + "\nclick Connect\n"));
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 2, 5000);
    QCOMPARE(output->data(), QByteArray("error: line longer than 65536 bytes\nok\n"));
    QCOMPARE(window->events, QStringList{"clicked Connect"});
}

void Tst_waits_and_input::quit_answers_then_closes()
{
    Operator_commands operated(window, -1, output);
    QByteArray written_at_close;
    window->on_close = [&] { written_at_close = output->data(); };
    QCOMPARE(operated.execute("quit"), QString("ok"));
    QCOMPARE(written_at_close, QByteArray("ok\n"));
    QVERIFY(!window->isVisible());
    QCOMPARE(operated.execute("click Connect"), QString("error: the window is not shown"));
}

void Tst_waits_and_input::answers_go_to_a_file()
{
    FILE* file = std::tmpfile();
    QVERIFY(file);
    {
        Operator_commands operated(window, -1, file);
        operated.execute("click Connect");
        operated.execute("dance");
    }
    std::rewind(file);
    char text[128] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    QCOMPARE(QByteArray(text, int(n)), QByteArray("ok\nerror: unknown command \"dance\"\n"));
}

QTEST_MAIN(Tst_waits_and_input)
#include "tst_waits_and_input.moc"
