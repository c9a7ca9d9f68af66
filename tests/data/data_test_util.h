#pragma once

#include "common/clock.h"
#include "data/daten_object.h"
#include "data/document_ui.h"
#include "data/qor_doc.h"
#include "data/string_daten_object.h"
#include "support/temp_dir.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace qor::data::test {

using Bytes = std::vector<std::uint8_t>;

// Builds expected byte sequences in a readable way; numbers little-endian, as the files hold them.
struct ByteWriter {
    Bytes b;
    ByteWriter& u8(std::initializer_list<int> v)
    {
        for (int x : v)
            b.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    ByteWriter& le(std::uint64_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    ByteWriter& u16(std::uint16_t v) { return le(v, 2); }
    ByteWriter& u32(std::uint32_t v) { return le(v, 4); }
    ByteWriter& f32(float f) { return le(std::bit_cast<std::uint32_t>(f), 4); }
    ByteWriter& f32s(float f, int n)
    {
        for (int i = 0; i < n; ++i)
            f32(f);
        return *this;
    }
    ByteWriter& f64(double d) { return le(std::bit_cast<std::uint64_t>(d), 8); }
    ByteWriter& time(std::int64_t t) { return u32(0x8000000A).le(static_cast<std::uint64_t>(t), 8); }
    ByteWriter& str(const std::string& s)  // short Windows-1252 string
    {
        b.push_back(static_cast<std::uint8_t>(s.size()));
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    ByteWriter& newClass(const std::string& name, std::uint16_t schema = 3)
    {
        u16(0xFFFF).u16(schema).u16(static_cast<std::uint16_t>(name.size()));
        b.insert(b.end(), name.begin(), name.end());
        return *this;
    }
    ByteWriter& append(const Bytes& more)
    {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

using qor::test::TempDir;

inline void WriteBytes(const std::string& path, const Bytes& b)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
}

inline Bytes ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// A recorded sample stamped `time`: value 1 of module 0 is `value`, every other value 0.
inline CDatenObject SampleAt(std::int64_t time, float value = 0.0f)
{
    CDatenObject s;
    s.m_time = time;
    s.m_value[0] = value;
    return s;
}

// Whether `text` holds `part`; a failure shows the whole text.
inline testing::AssertionResult Has(const std::string& text, const std::string& part)
{
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

// Records what the document tells its views; answers file dialogs, the save prompt and the
// recovery question from a script.
struct FakeUi : DocumentUi {
    std::vector<std::optional<std::string>> files;  // answers to ChooseFile, in order
    int answer = 2, prompts = 0;                    // the answer to AskSave, and how often it was asked
    bool recover = true;                            // the answer to AskRecover
    std::vector<std::string> messages, titles, calls, questions;

    std::optional<std::string> ChooseFile(FileDialog, const std::string&, const std::string&) override
    {
        if (files.empty())
            return std::nullopt;
        std::optional<std::string> file = std::move(files.front());
        files.erase(files.begin());
        return file;
    }
    int AskSave(const std::string&, const std::string&) override { return ++prompts, answer; }
    bool AskRecover(const std::string&, const std::string& text) override
    {
        questions.push_back(text);
        return recover;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
    void OpenDataLogger(const std::string& path, int) override { calls.push_back("logger " + path); }
    void SamplesAdded() override { calls.push_back("samples"); }
    void SetupChanged() override { calls.push_back("setup"); }
    void FileRead(const std::vector<CStringDatenObject>&) override { calls.push_back("read"); }
    void StopLogging() override { calls.push_back("stop"); }
    void PotSampleAdded() override { calls.push_back("pot"); }
    void EisPointAdded() override { calls.push_back("eis"); }
};

// A document on a simulated clock, with its logbook and the scripted user.
struct Doc {
    qor::SimClock clock;
    Logbook logbook;
    FakeUi ui;
    CQORDoc doc{clock, logbook, ui};
    explicit Doc(std::int64_t now = 946684800) : clock(now) {}
    // Opens `path` as a file named on the command line.
    bool Open(const std::string& path) { return doc.OpenByPath(path) && doc.ReadBoundFile(); }
};

}  // namespace qor::data::test
