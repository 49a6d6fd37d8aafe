#pragma once

// The connection for panels tested on their own: it records everything the
// panels tell it, in order, and answers with the modem model a test sets.

#include "connection_link.h"

#include <QList>
#include <QString>
#include <QStringList>

using namespace vq_qt;

class Recording_connection : public Connection_link
{
public:
    void count_init_response(Init_response which) override { counted << which; }
    void note_response_seen() override { ++responses_seen; }
    void set_receiving(bool receiving) override { receiving_reports << receiving; }
    void set_keep_alive_interval(int ms) override { keep_alive_intervals << ms; }
    void set_modem_software_version(const QString& version) override { versions << version; }
    int modem_model() const override { return model; }

    // Forgets what was recorded so far.
    void clear()
    {
        counted.clear();
        responses_seen = 0;
        receiving_reports.clear();
        keep_alive_intervals.clear();
        versions.clear();
    }

    QList<Init_response> counted;
    int responses_seen = 0;
    QList<bool> receiving_reports;
    QList<int> keep_alive_intervals;
    QStringList versions;
    int model = 1;
};
