#pragma once
// The in-place rename of a group or a user folder: the typed name is trimmed
// and cut to 40 characters, checked, and written in one transaction together
// with everything that refers to the old name.
#include <QString>

#include "folders/FolderNodes.h"

class Database;
struct EngineSettings;
class UserPrompt;

class RenameService {
public:
    enum class Outcome {
        Ignored,    // the same name in another letter case: nothing changes
        Cancelled,  // empty, duplicate or failed: the label returns to the old name
        Renamed,    // written; newName and newKey are the node's new label and key
    };
    struct Result {
        Outcome outcome = Outcome::Cancelled;
        QString newName;
        QString newKey;
    };

    static constexpr int kMaxNameLength = 40;

    // state is optional: when given, its auto-forward and group-sending
    // groups follow a renamed group as the saved settings do.
    RenameService(Database& db, UserPrompt& prompt, EngineSettings* settings = nullptr)
        : db_(db), prompt_(prompt), state_(settings)
    {
    }

    // kind is the node's kind (Group, InboxFolder or SentFolder), oldName its
    // label before the edit, typed what the user typed. Warnings and errors
    // are shown through the prompt.
    Result rename(NodeKind kind, const QString& oldName, const QString& typed);

    // The name as stored: blanks trimmed from both ends, cut to 40 characters.
    static QString cleanName(const QString& typed);

private:
    bool renameGroup(const QString& oldName, const QString& newName, bool& duplicate);
    bool renameFolder(NodeKind kind, const QString& oldName, const QString& newName, bool& duplicate);

    Database& db_;
    UserPrompt& prompt_;
    EngineSettings* state_;
};
