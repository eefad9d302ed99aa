#include "jpeg_damage.h"

// clang-format off
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <vector>

namespace qlxhost::cli {
namespace {

struct Reporter {
    jpeg_error_mgr base;
    std::jmp_buf failed;
    std::string first;
};

void remember(j_common_ptr info) {
    auto* reporter = reinterpret_cast<Reporter*>(info->err);
    if (!reporter->first.empty()) return;
    char text[JMSG_LENGTH_MAX];
    info->err->format_message(info, text);
    reporter->first = text;
}

void onMessage(j_common_ptr info, int level) {
    if (level < 0) remember(info);  // warnings only; trace messages are not damage
}

[[noreturn]] void onError(j_common_ptr info) {
    remember(info);
    std::longjmp(reinterpret_cast<Reporter*>(info->err)->failed, 1);
}

}  // namespace

std::string jpegDamage(const std::string& bytes) {
    jpeg_decompress_struct info{};
    Reporter reporter{};
    info.err = jpeg_std_error(&reporter.base);
    reporter.base.emit_message = onMessage;
    reporter.base.error_exit = onError;
    std::vector<JSAMPLE> row;
    if (setjmp(reporter.failed) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        row.resize(static_cast<std::size_t>(info.output_width) * info.output_components);
        JSAMPROW rows[1] = {row.data()};
        while (info.output_scanline < info.output_height && reporter.first.empty()) {
            jpeg_read_scanlines(&info, rows, 1);
        }
        if (reporter.first.empty()) jpeg_finish_decompress(&info);
    }
    jpeg_destroy_decompress(&info);
    return reporter.first;
}

}  // namespace qlxhost::cli
