#include "records/failure_text.h"

#include "measure/texts.h"

namespace records {

std::string failureText(const measure::Texts& texts, const DatabaseError& error) {
  switch (error.kind()) {
    case FailureKind::NotADatabase:
      return texts.get("1193");
    case FailureKind::Busy:
      return texts.get("1194");
    case FailureKind::DiskFull:
      return texts.get("1195");
    case FailureKind::ReadOnly:
      return texts.get("1196");
    case FailureKind::NotFound:
      return texts.get("1197");
    case FailureKind::Io:
      return measure::fillIn(texts.get("1198"), {error.detail()});
    case FailureKind::Other:
      break;
  }
  return error.detail();
}

std::string databaseFailureMessage(const measure::Texts& texts, DatabaseAction action, int n,
                                   const DatabaseError& error) {
  const char* key = "1192";
  switch (action) {
    case DatabaseAction::Create:
      key = "1187";
      break;
    case DatabaseAction::Overwrite:
      key = "1188";
      break;
    case DatabaseAction::OpenForRecording:
      key = "1189";
      break;
    case DatabaseAction::StoreReading:
      key = "1190";
      break;
    case DatabaseAction::Read:
      key = "1191";
      break;
    case DatabaseAction::Delete:
      key = "1192";
      break;
  }
  return measure::fillIn(texts.get(key), {std::to_string(n), failureText(texts, error)});
}

}  // namespace records
