// Front-end tests that parse whole programs from source files in a scratch directory, and
// that hand data to the image writer: the writer's state is fresh for every test.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "compiler/writer/image.h"
#include "compiler/front/parser.h"
#include "front_fixture.h"
#include "tests/support/image_reader.h"
#include "vm/image.h"

namespace tarn::tpc::test {

class SourceTest : public FrontTest {
protected:
    void SetUp() override {
        FrontTest::SetUp();
        InitOutputState();
        std::string pattern = (std::filesystem::temp_directory_path() / "tarn-front-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        CloseSourceFiles();
        InitOutputState();   // drops this test's buffers before their blocks are released
        FrontTest::TearDown();
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    // Parses the program in `source` (written as main.pas); returns the messages heard as
    // "number: text". A FATAL message ends the parse.
    std::vector<std::string> Parse(const std::string& source) {
        Write("main.pas", source);
        InitLexer();
        ClearIdentifierTable();
        PushFile(Path("main.pas").c_str());
        OpenOuterScope();
        InitParser();
        Heard().clear();
        try {
            GetToken();
            ParseProgram();
            CloseOuterScope();
        } catch (const FatalStop&) {
        }
        return Messages();
    }
    // The records of an image file: (id, data) until the end record.
    struct Record {
        uint8_t id;
        std::string data;
    };
    static std::vector<Record> ReadRecords(const std::string& path) {
        std::vector<Record> records;
        for (const auto& r : tarn::test::ParseImageFile(path).records)
            records.push_back({r.id, std::string(r.data.begin(), r.data.end())});
        return records;
    }
    static std::string Concatenated(const std::vector<Record>& records, uint8_t id) {
        std::string all;
        for (const Record& r : records)
            if (r.id == id) all += r.data;
        return all;
    }
    static uint32_t WordAt(const std::string& s, size_t at) {
        return vm::LoadLE32(reinterpret_cast<const uint8_t*>(s.data()) + at);
    }

    std::filesystem::path dir;
};

}  // namespace tarn::tpc::test
