// The input is a .BKC file: its header is checked and every member decoded; a
// file that passes decodes to exactly the sizes of the project's files, each a
// file the project library accepts, and encoding those bytes again decodes to
// the same bytes.
#include "backup_job.h"
#include "fuzz_support.h"
#include "lzw.h"

#include <vector>

using namespace kravin::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> file(data, data + size);
    kravinb::BkcHeader header;
    std::vector<std::vector<unsigned char>> members;
    if (kravinb::ReadBackup(file, header, members) != kravinb::RestoreStatus::Ok) return 0;
    require(static_cast<int>(members.size()) == header.memberCount());
    for (int k = 0; k < header.memberCount(); ++k) {
        require(members[k].size() == header.member[k].size && header.member[k].size == kravinb::MemberFileSize(k));
        require(kravinb::MemberAccepted(k, members[k]));
        std::vector<unsigned char> packed, back;
        kravinb::LzwEncodeMember(members[k], packed);
        require(kravinb::LzwDecodeMember(packed, members[k].size(), back) == kravinb::LzwStatus::Ok);
        require(back == members[k]);
    }
    return 0;
}
