#pragma once

#include <cstdio>
#include <string>

namespace qor::data {

class CQORDoc;

// The whole document as one JSON object, for people and scripts. Times are the stored
// seconds; floats print with %.9g and doubles with %.17g so they read back unchanged;
// values that are not finite print as null.
void WriteDocumentJson(const CQORDoc& doc, std::FILE* out);
std::string DocumentJson(const CQORDoc& doc);
// A text as a quoted JSON string, escaped as in the document's JSON.
std::string JsonString(const std::string& text);

}  // namespace qor::data
