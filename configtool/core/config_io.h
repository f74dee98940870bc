// The operations behind the configuration buttons: bring an image into the store from a
// .cfg file or the controller, take it out into a .cfg file, the controller or CSV.
#pragma once

#include <string>

namespace qvcfg {

class ConfigDB;
class QVCom;

class ConfigReader {
public:
    ConfigReader(ConfigDB* db, QVCom* com) : db_(db), com_(com) {}
    virtual ~ConfigReader() = default;
    // 0; -1 the file could not be opened (or is no regular file: a FIFO, a device, a
    // folder); -2 not read; -3 model or version refused; -4 size or magic refused.
    int ReadFile(const std::string& path);
    // 0; -3; -4; -6 the port could not be opened; -7 communication failed.
    int Upload();

private:
    ConfigDB* db_;
    QVCom* com_;
};

class ConfigWriter {
public:
    ConfigWriter(ConfigDB* db, QVCom* com) : db_(db), com_(com) {}
    virtual ~ConfigWriter() = default;
    // 0; -1 the file could not be created; -2 writing failed; -3 nothing to write.
    int WriteFile(const std::string& path);
    // Merges the held image into the controller's own and sends it. 0; -3; -4 the port
    // could not be opened; -5 communication failed; -7 the controller reported an
    // error (deviceError); -8 an image refused for model or version; -9 for size or magic.
    int Download(int* deviceError);
    // 0; -1; -2; -3.
    int ExportCsv(const std::string& path);

private:
    ConfigDB* db_;
    QVCom* com_;
};

}  // namespace qvcfg
