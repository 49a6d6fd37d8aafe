#pragma once

// Reads a trace file with an XML parser: whether it is well-formed, and the
// fields of every entry (Source's File and Line appear as "File" and "Line").

#include <QFile>
#include <QMap>
#include <QString>
#include <QVector>
#include <QXmlStreamReader>

struct Trace_document
{
    bool exists = false;
    bool well_formed = false;
    QString error;
    QByteArray raw;
    QVector<QMap<QString, QString>> entries;
};

inline Trace_document read_trace_file(const QString& path)
{
    Trace_document doc;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return doc;
    doc.exists = true;
    doc.raw = file.readAll();
    QXmlStreamReader xml(doc.raw);
    bool in_entry = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            if (name == QLatin1String("Entry")) {
                doc.entries.append(QMap<QString, QString>());
                in_entry = true;
            } else if (in_entry && name != QLatin1String("Source")) {
                doc.entries.last()[name] = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("Entry")) {
            in_entry = false;
        }
    }
    doc.well_formed = !xml.hasError();
    doc.error = xml.errorString();
    return doc;
}
