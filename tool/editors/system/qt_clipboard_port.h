// The system clipboard as the clipboard commands see it: each object as one
// clipboard block under the format's private type, so a second running tool
// reads it too.
#pragma once

#include "system_clipboard.h"

namespace kravin::editors {

class QtClipboardPort final : public ClipboardPort {
public:
    void put(const std::string& format, const std::string& object) override;
    std::optional<std::string> get(const std::string& format) const override;
    bool has(const std::string& format) const override;
};

}  // namespace kravin::editors
