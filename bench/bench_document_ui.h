#pragma once

#include "data/document_ui.h"

#include <cstdio>
#include <optional>
#include <string>

// A benchmark's document asks nothing and prints what it would show.
struct NoUi : qor::data::DocumentUi {
    std::optional<std::string> ChooseFile(qor::data::FileDialog, const std::string&,
                                          const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string& m) override { std::fprintf(stderr, "%s\n", m.c_str()); }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
};
