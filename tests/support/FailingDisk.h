#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// A program of the tests run on a folder whose disk fails as `fault` says: the TAVELO_FAULT
// of support/FaultFs.cpp, preloaded from TAVELO_FAULTFS. Afterwards calls() is the number
// of file calls it made there.
class FailingDisk {
public:
    void run(QProcess& program, const QString& dir, const QString& fault) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", TAVELO_FAULTFS);
        env.insert("TAVELO_FAULT_DIR", dir);
        env.insert("TAVELO_FAULT", fault);
        env.insert("TAVELO_FAULT_COUNT", m_scratch.filePath("count"));
        program.setProcessEnvironment(env);
        program.start();
    }
    int calls() const {
        QFile file(m_scratch.filePath("count"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
    }

private:
    QTemporaryDir m_scratch;
};
