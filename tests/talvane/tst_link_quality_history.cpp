// The link quality history behind the plot: what it keeps, for how long, and
// where its lines break.

#include "link_quality_history.h"

#include <QTest>

using namespace vq_qt;

class Tst_link_quality_history : public QObject
{
    Q_OBJECT

private slots:
    void kept_samples_data()
    {
        // Reports at the times given (ms), "|" where the modem stopped
        // sending values, "<T" where the clock reached T with no report;
        // what is kept, "*" on the samples that start a line.
        // The span is 10 s, at most 4 samples, a line breaks after 5 s.
        QTest::addColumn<QString>("reports");
        QTest::addColumn<QString>("kept");
        QTest::newRow("one line") << "0 1000 2000"
                                  << "0* 1000 2000";
        QTest::newRow("stopped reporting") << "0 1000 | 2000 3000"
                                           << "0* 1000 2000* 3000";
        QTest::newRow("silent for longer than 5 s") << "0 1000 6001 7000"
                                                    << "0* 1000 6001* 7000";
        QTest::newRow("older than the span") << "0 1000 2000 11500"
                                             << "2000* 11500*";
        QTest::newRow("at most four") << "0 1000 2000 3000 4000 5000"
                                      << "2000* 3000 4000 5000";
        QTest::newRow("clock set back") << "5000 1000"
                                        << "5000* 5000";
        QTest::newRow("break before the first") << "| 0 1000"
                                                << "0* 1000";
        QTest::newRow("time passing forgets") << "0 1000 <10500"
                                              << "1000*";
        QTest::newRow("time passing forgets all") << "0 1000 <11001"
                                                  << "";
    }
    void kept_samples()
    {
        QFETCH(QString, reports);
        QFETCH(QString, kept);
        Link_quality_history history(10000, 4, 5000);
        for (const QString& report : reports.split(' ')) {
            if (report == "|") {
                history.interrupt();
            } else if (report.startsWith('<')) {
                history.forget_before(report.mid(1).toLongLong());
            } else {
                history.add(report.toLongLong(), -3, 1e-4);
            }
        }
        QStringList shown;
        for (const Link_quality_sample& sample : history.samples()) {
            shown << QString::number(sample.time_ms) + (sample.starts_line ? "*" : "");
        }
        QCOMPARE(shown.join(' '), kept);
    }
};

QTEST_APPLESS_MAIN(Tst_link_quality_history)
#include "tst_link_quality_history.moc"
