// The ".conf" description: a JSON object naming a GPU filter program, the
// filter's GUID and name, two numeric switches and a list of parameters.
//
// A description that cannot be used yields null and stores nothing: a file
// that cannot be opened, a JSON syntax error, a top level that is not an object,
// a missing or empty "GUID" (or one that cannot name a filter, guid_check.h), a key holding the wrong JSON type, a "DYNAMIC" or
// "ENCRYPT" text without a decimal integer in the signed 32-bit range, or an
// "int"/"point" parameter limit outside that range. None of these escapes the
// readers: the scan simply goes on with the next folder. When `problem` is
// given, it receives a short English reason for the rejection.
#pragma once

#include <iosfwd>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>

class NLEFilterInfo;
class NLEFilterRegistry;

// Reads the file at `path` (UTF-8) and hands an accepted description to the
// registry, which stores it under its GUID and appends it to the load order.
std::shared_ptr<NLEFilterInfo> readConfFile(NLEFilterRegistry& registry, const std::string& path,
                                            std::string* problem = nullptr);

// As readConfFile for text that is already open. Reading stops after the first
// complete JSON value; whatever follows it is ignored. Relative program names
// are joined to `folder`.
std::shared_ptr<NLEFilterInfo> readConfStream(NLEFilterRegistry& registry, std::istream& in,
                                              const std::string& folder,
                                              std::string* problem = nullptr);

// Interprets a parsed document and, when it is accepted, stores it.
std::shared_ptr<NLEFilterInfo> parseConf(NLEFilterRegistry& registry, const nlohmann::json& doc,
                                         const std::string& folder, std::string* problem = nullptr);

// Fills the parameter table of `info` from a "PARAMS" value. Raises
// DescriptionError on a value of the wrong type; the caller rejects the whole
// description then.
void parseParams(const nlohmann::json& params, NLEFilterInfo& info);
