#pragma once
// What both edb2pst test programs share: a console that keeps what the command
// printed, a folder of the test's own, and a sample source generated into it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/Edb2Pst.h"
#include "sample/SampleSource.h"
#include "tests/pst/TestFiles.h"

class CapturingConsole final : public cli::Console {
public:
    void Out(const std::string& utf8) override { out += utf8; }
    void Err(const std::string& utf8) override { err += utf8; }
    bool ErrIsTerminal() const override { return false; }
    std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
    std::wstring Generate(const char* name, const sample::SampleOptions& options, sample::Expectation& expected) {
        std::filesystem::path path = m_folder / name;
        std::string error;
        EXPECT_TRUE(sample::WriteSample(path.string(), options, expected, error)) << error;
        return path.wstring();
    }
    int Run(const std::vector<std::wstring>& args, const cli::SourceOpener& opener = nullptr) {
        console = CapturingConsole();
        return cli::RunEdb2Pst(args, console, opener);
    }

    pst_test::TempDir m_dir{"edb2pst"};
    const std::filesystem::path m_folder = m_dir.Path();
    CapturingConsole console;
};
