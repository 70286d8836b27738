#pragma once

#include <memory>
#include <string>

#include "unique_fd.h"

namespace tavosim {

// The dosdevices/comN symlink through which a program under Wine opens the unit as COMN.
class ComLink {
public:
    static constexpr int kFirstAuto = 20;
    static constexpr int kLastAuto = 250;

    // number 0 picks the first free port from kFirstAuto to kLastAuto. Returns nullptr with `error` set.
    static std::unique_ptr<ComLink> create(const std::string& wineprefix, int number,
                                           const std::string& target, std::string& error);
    ~ComLink();
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;

    int number() const { return number_; }
    const std::string& path() const { return path_; }

    // Atomically points the link at a new target (after a replug), keeping the number.
    bool repoint(const std::string& target, std::string& error);

private:
    ComLink(int number, std::string path, std::string target, UniqueFd reservation);

    int number_;
    std::string path_;
    std::string target_;
    UniqueFd reservation_;
};

} // namespace tavosim
