#include "registry_wrapper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using vq::Registry_root;
using vq::Registry_wrapper;

namespace {
const Registry_root lm = Registry_root::local_machine;
}

class Tst_registry_wrapper : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> temp;
    QString store_file() const
    {
        return QString::fromStdString(Registry_wrapper::store_path(lm).string());
    }
    QByteArray store_text() const
    {
        QFile f(store_file());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        temp = std::make_unique<QTemporaryDir>();
        QVERIFY(temp->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->path()));
    }

    void store_lives_in_config_home()
    {
        QCOMPARE(store_file(), temp->path() + "/Velquin/registry.conf");
        qputenv("XDG_CONFIG_HOME", "relative/ignored");
        const QString home = qEnvironmentVariable("HOME");
        QCOMPARE(store_file(), home + "/.config/Velquin/registry.conf");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp->path()));
    }

    void open_and_create()
    {
        Registry_wrapper key;
        QVERIFY(!key.open(lm, "SOFTWARE\\Missing", false));
        QVERIFY(!key.is_open());
        QVERIFY(!QFile::exists(store_file()));
        QVERIFY(key.open(lm, "SOFTWARE\\A\\B", true));
        QVERIFY(!key.open(lm, "SOFTWARE\\A", false)); // already open
        key.close();
        QVERIFY(key.open(lm, "software\\a", false)); // parents exist, any case
        std::vector<std::string> names;
        QVERIFY(key.enumerate_subkeys(names));
        QCOMPARE(names, std::vector<std::string>{"B"});
    }

    void round_trip_data()
    {
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("dword") << uint(vq::reg_dword) << QByteArray("\x78\x56\x34\x12", 4);
        QTest::newRow("qword") << uint(vq::reg_qword) << QByteArray("12345678");
        QTest::newRow("binary") << uint(vq::reg_binary) << QByteArray("\x00\xFF\n]\"", 5);
        QTest::newRow("empty binary") << uint(vq::reg_binary) << QByteArray();
        QTest::newRow("text") << uint(vq::reg_sz) << QByteArray("/home/u/logs/log_talvane-");
        QTest::newRow("text escapes")
            << uint(vq::reg_sz) << QByteArray("a\\b\"c]d\ne\r\t\x01\xE9 ;x=y");
    }
    void round_trip()
    {
        QFETCH(uint, type);
        QFETCH(QByteArray, bytes);
        {
            Registry_wrapper key;
            QVERIFY(key.open(lm, "K", true));
            QVERIFY(key.write_value("V", type, bytes.constData(), quint32(bytes.size())));
            QVERIFY(key.write_dword("Other", 1));
        }
        Registry_wrapper key;
        QVERIFY(key.open(lm, "K", false));
        char buf[256];
        quint32 length = sizeof buf;
        QVERIFY(key.read_value("v", type, buf, &length));
        QByteArray expected = bytes;
        if (type == vq::reg_sz)
            expected += '\0';
        QCOMPARE(QByteArray(buf, int(length)), expected);
        // Another type reads as missing.
        length = sizeof buf;
        const uint other = type == vq::reg_dword ? vq::reg_sz : vq::reg_dword;
        QVERIFY(!key.read_value("V", other, buf, &length));
        // No temporary file is left beside the store.
        QCOMPARE(QDir(temp->path() + "/Velquin").entryList(QDir::Files).filter(".tmp").size(), 0);
    }

    void defaults_and_sizes()
    {
        Registry_wrapper key;
        QVERIFY(key.open(lm, "K", true));
        QVERIFY(key.write_string("Name", "0123456789"));
        char buf[32] = {};
        quint32 length = 5; // too small for the text and its NUL
        QVERIFY(!key.read_value("Name", vq::reg_sz, buf, &length));
        const quint32 fallback = 77;
        quint32 value = 0;
        length = sizeof value;
        QVERIFY(
            key.read_value("Missing", vq::reg_dword, &value, &length, &fallback, sizeof fallback));
        QCOMPARE(value, 77u);
        std::string text;
        QVERIFY(!key.read_string("Name", text, 10));
        QVERIFY(key.read_string("Name", text, 11));
        QCOMPARE(text, std::string("0123456789"));
        length = 0;
        QVERIFY(key.read_value("Name", vq::reg_sz, nullptr, &length));
        QCOMPARE(length, 11u);
        QVERIFY(!key.write_value("Bad", vq::reg_dword, "abc", 3));
    }

    void unreadable_lines_are_skipped_and_kept()
    {
        QDir().mkpath(temp->path() + "/Velquin");
        QFile f(store_file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("; comment\n[K]\r\n\"Good\"=dword:0000002a\n\"Bad\"=dword:xyz\n"
                "garbage line\n\"Text\"=\"unterminated\n\"Hex\"=hex(3):01,0g\n"
                "[Unclosed\n\"Lost\"=dword:1\n[K\\Sub]\n\"Deep\"=\"x\\x41\"\n");
        f.close();
        Registry_wrapper key;
        QVERIFY(key.open(lm, "K", false));
        quint32 value = 0;
        QVERIFY(key.read_dword("Good", value));
        QCOMPARE(value, 42u);
        QVERIFY(!key.read_dword("Bad", value));
        std::string text;
        QVERIFY(!key.read_string("Text", text));
        QVERIFY(!key.read_dword("Lost", value));
        vq::Registry_key_info info;
        QVERIFY(key.query_key_info(info));
        QCOMPARE(info.value_count, 1u);
        QCOMPARE(info.subkey_count, 1u);
        key.close();
        QVERIFY(key.open(lm, "K\\Sub", false));
        QVERIFY(key.read_string("Deep", text));
        QCOMPARE(text, std::string("xA"));

        // A write keeps every line it could not read, and the comments, as
        // they stand: a typo in a hand edit is there to be corrected.
        QVERIFY(key.write_dword("Written", 7));
        key.close();
        const QList<QByteArray> lines = store_text().split('\n');
        for (const char* kept :
             {"; comment", "\"Bad\"=dword:xyz", "garbage line", "\"Text\"=\"unterminated",
              "\"Hex\"=hex(3):01,0g", "[Unclosed", "\"Lost\"=dword:1"}) {
            QVERIFY2(lines.count(kept) == 1, kept);
        }
        QVERIFY(lines.contains("\"Written\"=dword:00000007"));
        // Written again, nothing is doubled.
        QVERIFY(key.open(lm, "K", false));
        QVERIFY(key.write_dword("Good", 43));
        key.close();
        QCOMPARE(store_text().split('\n').count("garbage line"), 1);
        QCOMPARE(store_text().count("Talvane key/value store"), 1);
    }

    void delete_value_and_key()
    {
        Registry_wrapper key;
        QVERIFY(key.open(lm, "Top\\Mid\\Leaf", true));
        key.close();
        QVERIFY(key.open(lm, "Top", false));
        QVERIFY(key.write_dword("Keep", 1));
        QVERIFY(key.write_dword("Drop", 2));
        QVERIFY(key.delete_value("DROP"));
        QVERIFY(!key.delete_value("Drop"));
        QVERIFY(!key.delete_key("Nothing"));
        QVERIFY(key.delete_key("Mid"));
        std::vector<std::string> names;
        QVERIFY(key.enumerate_subkeys(names));
        QVERIFY(names.empty());
        Registry_wrapper leaf;
        QVERIFY(!leaf.open(lm, "Top\\Mid\\Leaf", false));
        quint32 v = 0;
        QVERIFY(key.read_dword("Keep", v));
        // Writing into a key deleted meanwhile fails.
        QVERIFY(leaf.open(lm, "Top\\Gone", true));
        QVERIFY(key.delete_key("Gone"));
        QVERIFY(!leaf.write_dword("X", 1));
    }

    void roots_are_separate_files()
    {
        Registry_wrapper machine;
        Registry_wrapper user;
        QVERIFY(machine.open(lm, "K", true));
        QVERIFY(user.open(Registry_root::current_user, "K", true));
        QVERIFY(machine.write_dword("V", 1));
        QVERIFY(user.write_dword("V", 2));
        quint32 v = 0;
        QVERIFY(machine.read_dword("V", v));
        QCOMPARE(v, 1u);
        QVERIFY(user.read_dword("V", v));
        QCOMPARE(v, 2u);
        QVERIFY(store_text().contains("\"V\"=dword:00000001"));
    }

    void odd_key_names_survive()
    {
        const std::string path = "SOFTWARE\\Odd]%[Key\\x41";
        {
            Registry_wrapper key;
            QVERIFY(key.open(lm, path, true));
            QVERIFY(key.write_dword("V", 5));
        }
        QVERIFY(store_text().contains("[SOFTWARE\\Odd%5d%25%5bKey\\x41]"));
        Registry_wrapper key;
        QVERIFY(key.open(lm, path, false));
        quint32 v = 0;
        QVERIFY(key.read_dword("V", v));
        QCOMPARE(v, 5u);
    }

    void closed_wrapper_does_nothing()
    {
        Registry_wrapper key;
        quint32 v = 0;
        QVERIFY(!key.read_dword("V", v));
        QVERIFY(!key.write_dword("V", 1));
        QVERIFY(!key.delete_value("V"));
        std::vector<std::string> names;
        QVERIFY(!key.enumerate_subkeys(names));
        QVERIFY(!QFile::exists(store_file()));
    }
};

QTEST_GUILESS_MAIN(Tst_registry_wrapper)
#include "tst_registry_wrapper.moc"
