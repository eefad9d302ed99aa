// The library's face of the shared program-file cipher (format in the public
// header).
#include "program_cipher.h"

#include "KRPlatformOpenCL.h"

namespace OPENCL {

bool isEncipheredProgram(const std::string& data) {
    return qlxcipher::isEnciphered(data);
}

std::string encipherProgramText(const std::string& source, std::uint32_t seed) {
    return qlxcipher::encipher(source, seed);
}

bool decipherProgramText(const std::string& data, std::string* source) {
    return qlxcipher::decipher(data, source);
}

}  // namespace OPENCL
