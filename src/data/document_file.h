#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qor::data {

class Archive;

// The section orders a document file can have.
enum class Layout { Qo3, Qrv, Xrv };

struct IoResult {
    bool ok = true;
    std::string error;     // the archive's or the system's reason, empty when ok
    int code = 0;          // the system's error number behind it, 0 when none is known
    bool inPlace = false;  // the folder took no new file: the file was overwritten in place
};

// Layout by extension (case ignored); nothing for anything else.
std::optional<Layout> LayoutOf(const std::string& path);
// The extension in lower case; empty when the name has none.
std::string LowerExtension(const std::string& path);
// The folder a path names a file in ("." for a bare name).
std::string FolderOf(const std::string& path);

// A system error in the given language ("no space left on the device" in plain words);
// `fallback` when there is no error number.
std::string FileErrorText(int code, const std::string& fallback, int language);

// The file a link points to is the one a save replaces: `path` itself when it is no link.
std::string ResolveLink(const std::string& path);

// Reads `path` through `read`; an empty file reads as nothing. `version` is the archive's file
// version, also when the file broke off.
IoResult ReadDocumentFile(const std::string& path, const std::function<void(Archive&)>& read, int& version);

// Writes through `write` to a temporary file beside `bound` (or the file it links to), syncs
// it and renames it over the old one. A folder that takes no new file gets the file written in
// place, after a whole copy went to `inPlaceCopy` (none when empty).
IoResult WriteDocumentFile(const std::string& bound, const std::function<void(Archive&)>& write,
                           const std::string& inPlaceCopy);

// Temporary files of killed saves of the document at `path` are removed.
void RemoveSaveLeftovers(const std::string& path);

// A save in place that was cut short is finished from its whole copy; true when the file was
// written back. `readsAsDocument` tells whether a file holds a whole document.
bool FinishInterruptedSave(const std::string& path, const std::string& copy,
                           const std::function<bool(const std::string&)>& readsAsDocument);

}  // namespace qor::data
