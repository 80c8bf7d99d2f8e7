#pragma once
// The messages of the reading databases in the language of the window: why an engine failure
// happened, and the messages that name the database and what was being done to it.

#include <string>

#include "records/database.h"

namespace measure {
class Texts;
}

namespace records {

// Why `error` happened, in words for the user ("the disk is full or ...").
std::string failureText(const measure::Texts& texts, const DatabaseError& error);

// What could not be done to database n.
enum class DatabaseAction { Create, Overwrite, OpenForRecording, StoreReading, Read, Delete };

// "The Database 3 could not be read: the file is in use by another program." and the like.
std::string databaseFailureMessage(const measure::Texts& texts, DatabaseAction action, int n,
                                   const DatabaseError& error);

}  // namespace records
