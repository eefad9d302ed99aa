#include "host_render.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "filter_catalogue.h"
#include "kit/host_session.h"

namespace qlxhosttest {

cv::Mat renderThroughKit(const DirectRender& job, const cv::Mat& bgra) {
    qlxhost::HostSession session;
    EXPECT_TRUE(session.start({QLX_PLUGIN_PATH, job.lutFolder, {}, true})) << session.error();
    std::string guid = qlxhost::cli::kCustomLutGuid;
    if (!job.filterFolder.empty()) {
        qlxhost::FilterDescription filter;
        EXPECT_EQ(session.registerFolder(job.filterFolder, filter), kQLXSuccess);
        guid = filter.guid;
    }
    auto effect = session.createEffect(guid, 0);
    EXPECT_TRUE(effect) << "CreateQLXEffect refused " << guid;
    if (!effect) return {};
    effect->parameters().set("alpha", qlxhost::ParamAnswer::integer(job.alpha));
    effect->parameters().set("skinProtect", qlxhost::ParamAnswer::integer(job.skinProtect));
    if (!job.lutFile.empty()) {
        effect->parameters().set("lut3dPath", qlxhost::ParamAnswer::string(job.lutFile));
    }
    EXPECT_EQ(effect->prepare(), kQLXSuccess);
    EXPECT_EQ(effect->updateParameters(), kQLXSuccess);
    cv::Mat input = bgra.clone(), output(bgra.size(), CV_8UC4, cv::Scalar::all(0));
    auto in = qlxhost::Frame::wrap(input.data, input.cols, input.rows, int(input.step));
    auto out = qlxhost::Frame::wrap(output.data, output.cols, output.rows, int(output.step));
    EXPECT_EQ(effect->render(*in, *out), kQLXSuccess);
    return output;
}

cv::Mat makePicture(int width, int height, unsigned seed) {
    cv::Mat picture(height, width, CV_8UC4);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            cv::Vec4b& p = picture.at<cv::Vec4b>(y, x);
            const bool skin = (x / 6 + y / 5) % 4 == 0;
            p[0] = static_cast<uchar>(skin ? 95 + random() % 25 : x * 255 / std::max(1, width - 1));
            p[1] =
                static_cast<uchar>(skin ? 125 + random() % 25 : y * 255 / std::max(1, height - 1));
            p[2] = static_cast<uchar>(skin ? 195 + random() % 35 : random() % 256);
            p[3] = static_cast<uchar>(random() % 5 == 0 ? random() % 256 : 255);
        }
    }
    return picture;
}

std::vector<std::string> bundledLookFolders() {
    std::vector<std::string> folders;
    for (const auto& entry : std::filesystem::directory_iterator(bundledLutFolder())) {
        if (std::filesystem::exists(entry.path() / "filter.xml")) {
            folders.push_back(entry.path().string());
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

}  // namespace qlxhosttest
