#pragma once

#include <memory>
#include <string_view>

namespace qor::data {

class Archive;

// Everything the document stores writes and reads itself through an archive.
class CRecord {
public:
    virtual ~CRecord() = default;
    virtual void Serialize(Archive& ar) = 0;
};

// Records kept in lists: written with their class name, created by name when read.
class CListRecord : public CRecord {
public:
    static constexpr int kVersion = 3;
    virtual const char* ClassName() const = 0;
    virtual std::unique_ptr<CListRecord> Clone() const = 0;
};

// The factory by class name; nullptr for a name this program does not know.
std::unique_ptr<CListRecord> CreateRecord(std::string_view className);

}  // namespace qor::data
