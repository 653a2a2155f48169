#include "cli/StructureCommand.h"

#include "cli/Json.h"
#include "cli/ProgressBar.h"
#include "ese/Database.h"
#include "exchange/Structure.h"
#include "text/Utf8.h"

namespace cli {

const char kStructureUsage[] = "edb2pst list --structure [--json] SOURCE.edb";
const char kUncheckedNote[] =
    "note: this reading of Exchange's tables has not yet been checked on a real Exchange database.\n"
    "      To help, send the Korvane developers the output of\n"
    "      edb2pst inspect --catalog --json SOURCE.edb\n"
    "      (the database's catalog: table and column names and types, no mail content).\n";

namespace {

using korvane::exchange::Folder;
using korvane::exchange::Mailbox;

std::string Json(const std::string& utf8) { return JsonString(mailbox::FromUtf8(utf8)); }

std::string JsonList(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + Json(texts[i]);
    return out + "]";
}

// The unnamed top folder is the mailbox itself: left out unless it holds messages.
bool Listed(const Folder& folder) { return !folder.path.empty() || folder.messages.value_or(0) > 0; }

std::string MailboxJson(const Mailbox& box) {
    std::string out = "{\"number\": " + std::to_string(box.number) + ", \"name\": " + Json(box.name) +
                      ", \"folders\": [";
    bool first = true;
    for (const Folder& folder : box.folders) {
        if (!Listed(folder)) continue;
        out += first ? "" : ", ";
        first = false;
        out += "{\"path\": " + Json(folder.path) +
               ", \"class\": " + (folder.containerClass ? Json(*folder.containerClass) : "null") +
               ", \"messages\": " + (folder.messages ? std::to_string(*folder.messages) : "null") + "}";
    }
    out += "]";
    if (!box.problems.empty()) out += ", \"problems\": " + JsonList(box.problems);
    return out + "}";
}

std::string MailboxText(const Mailbox& box) {
    std::string out = "mailbox " + std::to_string(box.number) + ": " + box.name;
    std::string details;
    if (!box.guid.empty()) details += "guid " + box.guid;
    if (box.messages)
        details += (details.empty() ? "" : ", ") + std::to_string(*box.messages) + (*box.messages == 1 ? " message" : " messages");
    out += (details.empty() ? "" : " (" + details + ")") + "\n";
    if (box.folders.empty()) out += "  (no folders)\n";
    std::vector<int> shift(box.folders.size(), 0);
    for (size_t i = 0; i < box.folders.size(); ++i) {
        const Folder& folder = box.folders[i];
        shift[i] = folder.parent < 0 ? (folder.name.empty() ? 1 : 0) : shift[folder.parent];
        if (!Listed(folder)) continue;
        out += std::string(2 * (folder.depth - shift[i] + 1), ' ') + (folder.name.empty() ? "(no name)" : folder.name);
        const char* role = korvane::exchange::FolderRoleName(folder.role);
        if (*role && folder.role != korvane::exchange::FolderRole::Root) out += std::string(" [") + role + "]";
        const std::string count = folder.messages ? std::to_string(*folder.messages) : "unknown";
        out += " (" + folder.containerClass.value_or("no class") + ", " + count +
               (count == "1" ? " message)\n" : " messages)\n");
    }
    for (const std::string& problem : box.problems) out += "  problem: " + problem + "\n";
    return out;
}

}  // namespace

int RunStructureCommand(const std::vector<std::wstring>& args, Console& console) {
    bool json = false;
    std::wstring path;
    for (const std::wstring& arg : args) {
        if (arg == L"--json") {
            json = true;
        } else if (path.empty() && !arg.empty() && arg[0] != L'-') {
            path = arg;
        } else {
            return UsageError(console, "unexpected argument \"" + mailbox::ToUtf8(arg) + "\"", kStructureUsage);
        }
    }
    if (path.empty()) return UsageError(console, "no source file named", kStructureUsage);

    const std::string shownPath = mailbox::ToUtf8(path);
    std::string error;
    std::unique_ptr<korvane::ese::File> file = korvane::ese::OpenFile(std::filesystem::path(path), error);
    std::unique_ptr<korvane::ese::Database> db;
    if (file) db = korvane::ese::Database::Open(std::move(file), error);
    if (!db) {
        console.Err("edb2pst: " + shownPath + ": " + error + "\n");
        return 2;
    }
    const korvane::ese::HeaderInfo& header = db->Header();
    const uint64_t totalBytes = header.pages * header.pageSize;
    korvane::exchange::Structure structure;
    {
        ProgressBar bar(console, "reading folders");
        structure = korvane::exchange::ReadStructure(
            *db, [&] { bar.Show(totalBytes ? db->BytesRead() * 100 / totalBytes : 100); });
    }
    if (structure.recognition.schema == korvane::exchange::Schema::NotMailbox) {
        console.Err("edb2pst: " + shownPath + ": " + structure.recognition.reason + "\n");
        return 2;
    }
    if (structure.dirty)
        console.Err("edb2pst: the database was not shut down cleanly (state " +
                    korvane::ese::DatabaseStateName(header.state) + "); it is read as it stands\n");
    bool damaged = false;
    for (const korvane::ese::Issue& issue : db->Issues()) {
        damaged = damaged || !issue.corrected;
        console.Err("edb2pst: " + issue.text + "\n");
    }
    for (const std::string& problem : structure.problems) console.Err("edb2pst: " + problem + "\n");
    // The plain tree shows them in place; JSON readers get them on standard error as well.
    for (const Mailbox& box : structure.mailboxes)
        for (const std::string& problem : box.problems)
            if (json) console.Err("edb2pst: mailbox " + std::to_string(box.number) + ": " + problem + "\n");

    const char* schema = korvane::exchange::SchemaName(structure.recognition.schema);
    std::string out;
    if (json) {
        out = "{\"source\": " + JsonString(path) + ", \"schema\": \"" + schema +
              "\", \"dirty\": " + (structure.dirty ? "true" : "false") + ", \"mailboxes\": [";
        for (size_t i = 0; i < structure.mailboxes.size(); ++i)
            out += (i ? ", " : "") + MailboxJson(structure.mailboxes[i]);
        out += "]";
        if (!structure.problems.empty()) out += ", \"problems\": " + JsonList(structure.problems);
        out += "}\n";
        console.Err(kUncheckedNote);
    } else {
        out = "schema: " + std::string(schema) + (structure.dirty ? " (dirty: read as it stands)" : "") + "\n";
        for (const Mailbox& box : structure.mailboxes) out += MailboxText(box);
        out += kUncheckedNote;
    }
    console.Out(out);
    return damaged || !structure.problems.empty() ? 1 : 0;
}

}  // namespace cli
