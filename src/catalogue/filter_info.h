// One filter's description, read from a ".conf" or "filter.xml" file or built
// in code. Always held by shared ownership: the registry, effects and renderers
// share it.
//
// Fields other than the parameter table are written while the record is being
// built and only read afterwards, without a lock. The one exception is the root
// description's LUT path, which effect creation changes: the registry writes and
// reads it only under its own mutex (NLEFilterRegistry::adoptLutPath). The parameter table has its
// own mutex; the registry's mutex is never taken while it is held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalogue/filter_params.h"

class NLEFilterInfo {
  public:
    // Two lists of text lists that the OpenGL engine receives with every effect
    // it creates; nothing in this plugin fills them.
    using EngineTextLists = std::vector<std::vector<std::string>>;

    std::string openCLProgramPath() const { return openCLProgramPath_; }
    void setOpenCLProgramPath(std::string path) { openCLProgramPath_ = std::move(path); }

    std::string openGLProgramPath() const { return openGLProgramPath_; }
    void setOpenGLProgramPath(std::string path) { openGLProgramPath_ = std::move(path); }

    // The three texts that travel into host and plugin calls are copied with
    // their NUL into a caller's buffer (512 bytes at every caller). A longer
    // text is cut to capacity - 1 bytes; a zero capacity writes nothing.
    void getGuid(char* buffer, std::size_t capacity) const;
    void getName(char* buffer, std::size_t capacity) const;
    void getLutPath(char* buffer, std::size_t capacity) const;
    const std::string& guid() const { return guid_; }
    const std::string& name() const { return name_; }
    const std::string& lutPath() const { return lutPath_; }
    void setGuid(std::string guid) { guid_ = std::move(guid); }
    void setName(std::string name) { name_ = std::move(name); }
    void setLutPath(std::string path) { lutPath_ = std::move(path); }

    std::uint32_t hasOpenCL() const { return hasOpenCL_; }
    void setHasOpenCL(std::uint32_t value) { hasOpenCL_ = value; }
    std::uint32_t hasOpenGL() const { return hasOpenGL_; }
    void setHasOpenGL(std::uint32_t value) { hasOpenGL_ = value; }
    std::uint32_t paramCount() const { return paramCount_; }
    void setParamCount(std::uint32_t count) { paramCount_ = count; }
    // Non-zero: the program files are stored enciphered.
    std::uint32_t encrypted() const { return encrypted_; }
    void setEncrypted(std::uint32_t value) { encrypted_ = value; }
    std::uint32_t dynamic() const { return dynamic_; }
    void setDynamic(std::uint32_t value) { dynamic_ = value; }

    // Stores `param` under "Param[<index>]", replacing what was there.
    void addParam(std::int32_t index, std::shared_ptr<NLEFilterParams> param);
    // The parameter stored under "Param[<index>]", or null.
    std::shared_ptr<NLEFilterParams> getParam(std::int32_t index) const;

    const EngineTextLists& engineTextListsA() const { return engineTextListsA_; }
    const EngineTextLists& engineTextListsB() const { return engineTextListsB_; }

  private:
    std::string openCLProgramPath_;
    std::string openGLProgramPath_;
    std::string guid_;
    std::string name_;
    std::string lutPath_;
    std::uint32_t hasOpenCL_ = 0;
    std::uint32_t hasOpenGL_ = 0;
    std::uint32_t paramCount_ = 0;
    std::uint32_t encrypted_ = 0;
    std::uint32_t dynamic_ = 0;
    mutable std::mutex paramMutex_;
    std::map<std::string, std::shared_ptr<NLEFilterParams>> params_;
    EngineTextLists engineTextListsA_;
    EngineTextLists engineTextListsB_;
};
