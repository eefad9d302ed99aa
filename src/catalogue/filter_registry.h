// The plugin's one catalogue of filters: every description read from the LUT
// folder and from folders the host registers, found by GUID or by load order,
// plus the root description (the LUT folder's own ".conf").
//
// Locking: one mutex guards both tables and `root`. It is never held while a
// description's own mutex is taken, nor across calls into the host; the scan and
// the file reading run without it and take it only to store a description.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "qlx/qlx_host.h"

class NLEFilterInfo;

class NLEFilterRegistry {
  public:
    // The GUID of the filter whose LUT file the user chooses ("lut3dPath").
    static constexpr char kUserLutGuid[] = "74EB022D-1D73-4D1E-9F70-487C356D46CD";

    // The process-wide registry. The first call builds it; if building raises,
    // the error reaches that caller and the next call tries again. After
    // destroyInstance it answers null for the rest of the process.
    static NLEFilterRegistry* instance();
    // Detaches the process-wide registry and destroys it (ShutdownQLX). A second
    // call does nothing.
    static void destroyInstance();

    // An empty registry of its own (tools and tests); the plugin uses instance().
    NLEFilterRegistry() = default;
    ~NLEFilterRegistry();
    NLEFilterRegistry(const NLEFilterRegistry&) = delete;
    NLEFilterRegistry& operator=(const NLEFilterRegistry&) = delete;

    // Reads the folder tree below `folder` (UTF-8) in post-order and stores every
    // description it reads; returns the folder's own description, or null.
    // With `readXml` the folder's "filter.xml" is read too and is the result.
    // A link that leads back to a folder being scanned is not followed, nor a
    // folder more than 128 levels below `folder`.
    std::shared_ptr<NLEFilterInfo> scanFolder(const std::string& folder, bool readXml);

    // Number of distinct GUIDs: the effect count reported to the host.
    std::size_t filterCount() const;
    // Length of the load order (at least filterCount()).
    std::size_t loadOrderLength() const;
    // The description at `index` of the load order; null past its end.
    std::shared_ptr<NLEFilterInfo> filterAt(std::size_t index) const;
    // The description stored under exactly this GUID (byte-wise, case-sensitive).
    std::shared_ptr<NLEFilterInfo> findByGuid(const char* guid) const;

    // Describes one filter to the host's effect descriptor. 0 on success, 2 when
    // either argument is null.
    std::int32_t registerEffect(const std::shared_ptr<NLEFilterInfo>& info,
                                QLXEffectDescriptor* descriptor) const;

    std::shared_ptr<NLEFilterInfo> root() const;
    void setRoot(std::shared_ptr<NLEFilterInfo> root);
    // Makes `filter`'s LUT file (cut to 511 bytes, as the 512-byte buffers of
    // the host boundary hold it) the root description's and answers it. Both
    // happen under the mutex, so effects created on several threads at once
    // each take their own filter's file. Empty when there is no root.
    std::string adoptLutPath(const NLEFilterInfo& filter);

    // Storing, for the description readers. A ".conf" description replaces any
    // record with its GUID and is appended to the load order.
    void storeConfDescription(std::shared_ptr<NLEFilterInfo> info);
    // Runs `build` under the registry's mutex and stores a non-null result under
    // its GUID only ("filter.xml" descriptions are not enumerated). `build` must
    // not take a description's mutex nor call into the registry.
    std::shared_ptr<NLEFilterInfo> storeXmlDescription(
        const std::function<std::shared_ptr<NLEFilterInfo>()>& build);

  private:
    // `openFolders` holds the identities of the folders being listed above this
    // one; a sub-folder that is one of them (a link back up) is passed over.
    std::shared_ptr<NLEFilterInfo> scanTree(const std::string& folder, bool readXml,
                                            std::vector<std::string>& openFolders);

    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<NLEFilterInfo>> byGuid_;
    std::vector<std::shared_ptr<NLEFilterInfo>> loadOrder_;
    std::shared_ptr<NLEFilterInfo> root_;
};
