#include "quillon/core/StandardFolders.h"

#include "text/AsciiCase.h"

namespace quillon {

std::string ContainerClassFor(std::string_view folderName) {
    static const struct {
        std::string_view name;
        const char* containerClass;
    } kClasses[] = {
        {"Calendar", "IPF.Appointment"}, {"Contacts", "IPF.Contact"}, {"Tasks", "IPF.Task"}, {"Task", "IPF.Task"},
        {"Notes", "IPF.StickyNote"},     {"Journal", "IPF.Journal"},
    };
    for (const auto& entry : kClasses)
        if (mailbox::EqualsIgnoreCase(folderName, entry.name)) return entry.containerClass;
    return "IPF.Note";
}

}  // namespace quillon
