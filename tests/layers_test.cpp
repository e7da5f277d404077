// The folders are layers, and this is where they are written down: every #include "…"
// of our own files must name its own folder or one that its folder's row lists. Rows
// go from the ground up and name only rows before them, so every arrow points down.
// Standard and system headers (<…>) are not ours and are not looked at.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string_view folder;
    std::vector<std::string_view> mayInclude;
    // The command line runs the tools' logic halves alone: no dialog half either.
    bool logicOnly = false;
};

const std::vector<Layer>& Layers() {
    static const std::vector<Layer> layers = {
        {"formats", {}},
        {"os", {}},
        // Pictures to draw come in the formats' own types.
        {"ui", {"formats", "os"}},
        // The dialog templates are data in the types that ui/ builds widgets from.
        {"res", {"ui"}},
        {"palette", {"formats", "os", "ui", "res"}},
        {"folders", {"os", "ui", "res"}},
        // The folder chooser reaches the viewer only through the prompts, never folders/.
        {"viewer", {"formats", "os", "ui", "res", "palette"}},
        {"maker", {"formats", "os", "ui", "res"}},
        {"cli", {"os", "res", "palette", "viewer", "maker"}, true},
        {"app", {"os", "ui", "res", "palette", "folders", "viewer", "maker"}},
        // Not the program, but over all of it: the sample generator, the test doubles
        // that tests and benchmarks share, the benchmarks and the tests.
        {"tools", {"formats", "os", "ui", "res", "palette", "folders", "viewer", "maker", "cli", "app"}},
        {"tests/support", {"ui", "viewer"}},
        {"benchmarks",
         {"formats", "os", "ui", "res", "palette", "folders", "viewer", "maker", "cli", "app", "tests/support"}},
        {"tests",
         {"formats", "os", "ui", "res", "palette", "folders", "viewer", "maker", "cli", "app", "tests/support"}},
    };
    return layers;
}

// The row that holds `path` (from the top, with "/"): the longest folder that begins it.
const Layer* LayerOf(std::string_view path) {
    const Layer* found = nullptr;
    for (const Layer& layer : Layers()) {
        const bool inside =
            path.size() > layer.folder.size() && path.starts_with(layer.folder) && path[layer.folder.size()] == '/';
        if (inside && (!found || layer.folder.size() > found->folder.size())) found = &layer;
    }
    return found;
}

bool IsSource(const fs::path& path) {
    const std::string name = path.filename().string();
    for (std::string_view end : {".h", ".cpp", ".h.in"}) {
        if (name.ends_with(end)) return true;
    }
    return false;
}

std::string Listed(const std::vector<std::string_view>& folders) {
    if (folders.empty()) return "nothing of ours";
    std::string text;
    for (std::string_view folder : folders) text += (text.empty() ? "" : " ") + std::string(folder) + "/";
    return text;
}

// What is wrong with one include of `file` (from the top), or nothing.
std::string Check(const fs::path& root, const std::string& file, const Layer& own, const std::string& include) {
    if (include.find("..") != std::string::npos) return "climbs out of its folder; write it from the top";
    if (include.find('/') == std::string::npos) {
        // A bare name is ours only when it lies beside the file.
        const bool beside = fs::exists(root / fs::path(file).parent_path() / include);
        return beside ? "names a file beside it; write it from the top" : "";
    }
    const Layer* target = LayerOf(include);
    if (!target) {
        const std::string first = include.substr(0, include.find('/'));
        return fs::is_directory(root / first) ? first + "/ has no row among the layers" : "";
    }
    if (target == &own) return "";
    if (own.logicOnly) {
        const std::string stem = fs::path(include).stem().string();
        if (stem.ends_with("_dlg") || stem.ends_with("_ctrl")) {
            return std::string(own.folder) + "/ runs the logic alone, not a dialog half";
        }
    }
    if (std::find(own.mayInclude.begin(), own.mayInclude.end(), target->folder) != own.mayInclude.end()) return "";
    return std::string(own.folder) + "/ may include " + Listed(own.mayInclude) + ", not " +
           std::string(target->folder) + "/";
}

struct Walk {
    std::vector<std::string> faults;  // "file:line: #include "…": why"
    std::vector<std::string_view> foldersRead;
};

Walk WalkTree(const fs::path& root) {
    Walk walk;
    std::vector<std::string> tops;
    for (const Layer& layer : Layers()) {
        const std::string top(layer.folder.substr(0, layer.folder.find('/')));
        if (std::find(tops.begin(), tops.end(), top) == tops.end()) tops.push_back(top);
    }
    for (const std::string& top : tops) {
        if (!fs::is_directory(root / top)) continue;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root / top)) {
            if (!entry.is_regular_file() || !IsSource(entry.path())) continue;
            const std::string file = fs::relative(entry.path(), root).generic_string();
            const Layer* own = LayerOf(file);
            if (!own) continue;
            if (std::find(walk.foldersRead.begin(), walk.foldersRead.end(), own->folder) == walk.foldersRead.end()) {
                walk.foldersRead.push_back(own->folder);
            }
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                // # include "…", with any blanks the preprocessor allows.
                std::size_t at = line.find_first_not_of(" \t");
                if (at == std::string::npos || line[at] != '#') continue;
                at = line.find_first_not_of(" \t", at + 1);
                if (at == std::string::npos || line.compare(at, 7, "include") != 0) continue;
                at = line.find_first_not_of(" \t", at + 7);
                if (at == std::string::npos || line[at] != '"') continue;
                const std::size_t end = line.find('"', at + 1);
                if (end == std::string::npos) continue;
                const std::string include = line.substr(at + 1, end - at - 1);
                const std::string why = Check(root, file, *own, include);
                if (!why.empty()) {
                    const std::string where = file + ":" + std::to_string(number);
                    walk.faults.push_back(where + ": #include \"" + include + "\": " + why);
                }
            }
        }
    }
    return walk;
}

TEST(Layers, EachRowNamesOnlyRowsBeneathIt) {
    const std::vector<Layer>& layers = Layers();
    for (std::size_t i = 0; i < layers.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(layers[j].folder, layers[i].folder) << "two rows";
        for (std::string_view below : layers[i].mayInclude) {
            const auto row =
                std::find_if(layers.begin(), layers.end(), [&](const Layer& l) { return l.folder == below; });
            EXPECT_TRUE(row < layers.begin() + static_cast<std::ptrdiff_t>(i))
                << layers[i].folder << "/ leans on " << below << "/, which is not a row beneath it";
        }
    }
}

TEST(Layers, EveryIncludeOfOursPointsDown) {
    const fs::path root = ZANDREL_SOURCE_DIR;
    const Walk walk = WalkTree(root);
    for (const std::string& fault : walk.faults) ADD_FAILURE() << fault;
    // Every folder that CMake builds has a row, and every row was read: a walk of the
    // wrong tree, or of a new folder nobody placed, does not pass unseen.
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory() && fs::exists(entry.path() / "CMakeLists.txt")) {
            const bool placed =
                std::any_of(Layers().begin(), Layers().end(), [&](const Layer& l) { return l.folder == name; });
            EXPECT_TRUE(placed) << name << "/ is built but has no row among the layers";
        }
    }
    for (const Layer& layer : Layers()) {
        EXPECT_NE(std::find(walk.foldersRead.begin(), walk.foldersRead.end(), layer.folder), walk.foldersRead.end())
            << "no source file read in " << layer.folder << "/";
    }
}

// A small tree of its own, so that the faults the walk reports are seen to be found.
class LayersOfATree : public testing::Test {
protected:
    LayersOfATree() {
        std::random_device random;
        m_root = fs::temp_directory_path() / ("zandrel-layers-" + std::to_string(random()));
        fs::create_directories(m_root);
    }
    ~LayersOfATree() override { fs::remove_all(m_root); }

    void Write(const std::string& file, const std::string& text) {
        fs::create_directories((m_root / file).parent_path());
        std::ofstream(m_root / file) << text;
    }

    fs::path m_root;
};

TEST_F(LayersOfATree, NamesTheFileLineAndIncludeOfEveryArrowThatRunsUp) {
    Write("formats/spr_file.h", "#pragma once\n\n#include <vector>\n#  include \"ui/list_box.h\"\n");
    Write("formats/spr_file.cpp", "#include \"formats/spr_file.h\"\n#include \"spng.h\"\n");
    Write("ui/list_box.h", "#include \"os/file.h\"\n#include \"viewer/sprite_model.h\"\n");
    Write("cli/commands.cpp",
          "#include \"viewer/sprite_model.h\"\n#include \"viewer/spr_view_dlg.h\"\n"
          "#include \"commands.h\"\n#include \"../os/file.h\"\n#include \"attic/old.h\"\n");
    Write("cli/commands.h", "");
    fs::create_directories(m_root / "attic");
    Write("tests/support/scripted_prompts.h", "#include \"tests/test_files.h\"\n");

    const std::vector<std::string> expected = {
        "cli/commands.cpp:2: #include \"viewer/spr_view_dlg.h\": cli/ runs the logic alone, not a dialog half",
        "cli/commands.cpp:3: #include \"commands.h\": names a file beside it; write it from the top",
        "cli/commands.cpp:4: #include \"../os/file.h\": climbs out of its folder; write it from the top",
        "cli/commands.cpp:5: #include \"attic/old.h\": attic/ has no row among the layers",
        "formats/spr_file.h:4: #include \"ui/list_box.h\": formats/ may include nothing of ours, not ui/",
        // One message, in two pieces.
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma)
        "tests/support/scripted_prompts.h:1: #include \"tests/test_files.h\": "
        "tests/support/ may include ui/ viewer/, not tests/",
        "ui/list_box.h:2: #include \"viewer/sprite_model.h\": ui/ may include formats/ os/, not viewer/",
    };
    std::vector<std::string> faults = WalkTree(m_root).faults;
    std::sort(faults.begin(), faults.end());
    EXPECT_EQ(faults, expected);
}

}  // namespace
