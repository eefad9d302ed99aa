// Feeds arbitrary bytes to the program-file reader, as they stand and
// enciphered. Beyond the sanitizers: a text read plain and the same text
// enciphered under any seed give the same program, and deciphering undoes
// enciphering.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "program_cipher.h"
#include "program_file.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string asRead;
    const krgl::ProgramReadResult plain = krgl::programFromBytes(bytes, &asRead);
    require(krgl::describe(plain)[0] != '?');
    if (plain == krgl::ProgramReadResult::Read) require(!asRead.empty());

    // The first four bytes seed the cipher; the rest is the program text.
    if (size < 4 || qlxcipher::isEnciphered(bytes)) return 0;
    const std::uint32_t seed =
        data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24;
    const std::string text = bytes.substr(4);
    const std::string sealed = qlxcipher::encipher(text, seed);
    std::string opened;
    require(qlxcipher::decipher(sealed, &opened) && opened == text);

    std::string fromPlain, fromSealed;
    const krgl::ProgramReadResult a = krgl::programFromBytes(text, &fromPlain);
    const krgl::ProgramReadResult b = krgl::programFromBytes(sealed, &fromSealed);
    // A plain text that itself looks enciphered is read as such; skip it.
    if (!qlxcipher::isEnciphered(text)) require(a == b && fromPlain == fromSealed);
    return 0;
}
