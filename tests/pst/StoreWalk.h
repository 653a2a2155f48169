#pragma once
// Reads everything the public API can read from a store, folders depth first
// and every field of every message, into one text. Damage must either make
// this walk fail or leave the text as it was: equal texts mean equal content.

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "pst/Store.h"

namespace pst_test {

namespace walk_detail {

inline void Field(std::string& out, const std::string& value) {
    out += std::to_string(value.size()) + ":" + value + ";";
}

inline pst::Status WalkFolder(const pst::Folder& folder, int depth, std::set<uint32_t>& seen, std::string& out) {
    // The engine refuses folder cycles; the bound only keeps a broken engine from hanging the walk.
    if (depth > 64 || !seen.insert(folder.Id()).second) return pst::Status::Failure("the folder tree has a cycle");
    auto info = folder.Info();
    if (!info) return info.GetStatus();
    out += "folder{";
    Field(out, info->name);
    Field(out, info->containerClass);
    out += std::to_string(info->contentCount) + "," + std::to_string(info->unreadCount) + "," +
           std::to_string(info->hasSubfolders) + ";";
    auto messages = folder.Messages();
    if (!messages) return messages.GetStatus();
    for (const auto& stored : *messages) {
        const pst::MessageData& m = stored.data;
        out += "message{" + std::to_string(stored.id) + "," + std::to_string(stored.messageSize) + ";";
        for (const std::string* s : {&m.messageClass, &m.subject, &m.bodyText, &m.bodyHtml, &m.senderName,
                                     &m.senderAddress, &m.transportHeaders, &m.internetMessageId})
            Field(out, *s);
        out +=
            std::to_string(m.submitTime) + "," + std::to_string(m.deliveryTime) + "," + std::to_string(m.flags) + ";";
        for (const auto& r : m.recipients) {
            out += std::to_string(static_cast<uint32_t>(r.type));
            Field(out, r.displayName);
            Field(out, r.emailAddress);
        }
        for (const auto& a : m.attachments) {
            Field(out, a.fileName);
            Field(out, a.mimeType);
            Field(out, a.contentId);
            Field(out, std::string(a.bytes.begin(), a.bytes.end()));
        }
        out += "}";
    }
    auto subfolders = folder.Subfolders();
    if (!subfolders) return subfolders.GetStatus();
    for (const auto& sub : *subfolders) {
        pst::Status st = WalkFolder(sub, depth + 1, seen, out);
        if (!st) return st;
    }
    out += "}";
    return pst::Status::Ok();
}

}  // namespace walk_detail

inline pst::Status WalkStore(const pst::Store& store, std::string& out) {
    out = "store{";
    walk_detail::Field(out, store.DisplayName());
    std::set<uint32_t> seen;
    return walk_detail::WalkFolder(store.RootFolder(), 0, seen, out);
}

// Opens the file and walks the whole store; any failure on the way is returned.
inline pst::Status OpenAndWalk(std::unique_ptr<pst::File> file, std::string& out) {
    auto store = pst::Store::Open(std::move(file));
    if (!store) return store.GetStatus();
    return WalkStore(*store.Value(), out);
}

}  // namespace pst_test
