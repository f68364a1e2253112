#pragma once
// Node directories for the browser's tests: a sample in a temporary file, and
// QORA_RKS_DIRECTORY pointing at it for as long as the test runs.

#include "rks/RksNodeDirectory.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

// Two regions, two sites, nodes at several levels.
inline const QByteArray kSampleDirectory = R"({
  "version": 1,
  "comment": "test network",
  "groups": [
    { "name": "Region North",
      "groups": [
        { "name": "Site Kallio",
          "nodes": [
            { "name": "QORA-131", "kind": 1, "connection": "WP=SOCKET,HOST=10.20.1.7,PORT=7000,WP=NEQ1,ADDR=131" },
            { "name": "Kallio spare", "kind": 1, "connection": "WP=SOCKET,HOST=10.20.1.8,PORT=7000,WP=NEQ1,ADDR=132,TMO=8000",
              "comment": "in the cabinet" }
          ] },
        { "name": "Site Oulu",
          "nodes": [
            { "name": "Oulu mast", "kind": 1, "connection": "HOST=10.30.0.2,PORT=7000,ADDR=7" }
          ] }
      ] },
    { "name": "Region South", "groups": [], "nodes": [] }
  ],
  "nodes": [
    { "name": "Lab bench", "kind": 0, "connection": "  HOST=192.168.255.120,PORT=7000,ADDR=131  " }
  ]
})";

class CDirectoryFile {
public:
    explicit CDirectoryFile(const QByteArray& text = kSampleDirectory)
    {
        path_ = dir_.filePath(QStringLiteral("nodes.json"));
        Write(text);
        setenv(kRksDirectoryVariable, path_.toLocal8Bit().constData(), 1);
    }
    ~CDirectoryFile() { unsetenv(kRksDirectoryVariable); }
    CDirectoryFile(const CDirectoryFile&) = delete;
    CDirectoryFile& operator=(const CDirectoryFile&) = delete;

    void Write(const QByteArray& text)
    {
        QFile file(path_);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(text);
    }
    [[nodiscard]] const QString& Path() const { return path_; }
    [[nodiscard]] QString Folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString path_;
};
