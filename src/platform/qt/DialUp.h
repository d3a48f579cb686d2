#pragma once
// Dialling a network connection before an upload, and hanging it up afterwards.
//
// The entries are the names of the system's connection profiles. Connect starts dialling
// and returns at once; Connected is emitted on the UI thread once the connection is up. A
// dial that never leads to a connection emits nothing.

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "platform/Errors.h"

namespace Sumirel {

// Dialling could not be started at all.
class DialUpError : public PlatformError {
public:
    using PlatformError::PlatformError;
};

class DialUp : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~DialUp() override = default;

    // Shift-JIS texts, as the settings hold them.
    std::string EntryName;
    std::string UserName;
    std::string Password;

    // The names of the entries that can be dialled, read afresh at every call.
    virtual std::vector<std::string> Entries() = 0;
    // Starts dialling EntryName; throws DialUpError when that cannot even start.
    virtual void Connect() = 0;
    // Hangs up what Connect started, also while it is still dialling; nothing otherwise.
    virtual void DisConnect() = 0;

signals:
    void Connected();
};

// NetworkManager's connection profiles through nmcli. Without NetworkManager the list is
// empty and a dial fails to start.
std::unique_ptr<DialUp> CreateSystemDialUp(QObject* parent = nullptr);

}  // namespace Sumirel
