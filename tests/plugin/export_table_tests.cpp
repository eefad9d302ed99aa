// The plugin's dynamic symbol table, read from the built file: exactly the six
// entry points, with plain C names.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "support/temp_dir.h"

namespace {

std::set<std::string> exportedSymbols(const std::string& file) {
    std::set<std::string> names;
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(file.data());
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0)
        return names;
    const auto* sections = reinterpret_cast<const Elf64_Shdr*>(file.data() + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) continue;
        const char* strings = file.data() + sections[sections[i].sh_link].sh_offset;
        const auto* symbols =
            reinterpret_cast<const Elf64_Sym*>(file.data() + sections[i].sh_offset);
        const std::size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (std::size_t k = 0; k < count; ++k) {
            const bool defined = symbols[k].st_shndx != SHN_UNDEF;
            const int bind = ELF64_ST_BIND(symbols[k].st_info);
            if (defined && (bind == STB_GLOBAL || bind == STB_WEAK))
                names.insert(strings + symbols[k].st_name);
        }
    }
    return names;
}

TEST(ExportTable, HoldsExactlyTheSixEntryPoints) {
    const std::string file = qlxtest::readFile(QLX_PLUGIN_PATH);
    ASSERT_GT(file.size(), sizeof(Elf64_Ehdr));
    const std::set<std::string> expected = {
        "StartupQLX",      "ShutdownQLX",      "RegisterQLXEffect", "RegisterQLXEffectFromConfPath",
        "CreateQLXEffect", "ReleaseQLXEffect",
    };
    EXPECT_EQ(exportedSymbols(file), expected);
}

TEST(ExportTable, FileNameIsThePluginName) {
    const std::string path = QLX_PLUGIN_PATH;
    EXPECT_EQ(path.substr(path.find_last_of('/') + 1), "qlxLUTPlugin.qlx");
}

}  // namespace
