#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace Base::Environment {

// A diagnostic switch: an environment variable that counts only when its value is exactly "1".
bool isSwitchOn(const char* name);

// Sets `name` to `value` for this process alone: the programs it starts get the value the process
// was started with, or none when it had none. Call before other threads run.
void setForThisProcess(const char* name, const QByteArray& value);

// The environment of a program this process starts: the process's own, with every variable set
// for this process alone as it was when the process started.
QProcessEnvironment forStartedPrograms();
// The same as "NAME=value" entries, each as the process holds it.
QByteArrayList entriesForStartedPrograms();

// Starts `program` with `arguments` in that environment, detached from this process (it outlives
// it, and is never waited for), with nothing on its standard input. Fails with the system's
// reason.
bool startDetached(const QString& program, const QStringList& arguments, QString* why = nullptr);

} // namespace Base::Environment
