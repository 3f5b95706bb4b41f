#pragma once
// Puts other system calls in place of the kernel's for a scope, and environment variables the
// scope needs, restoring both however the scope ends: a failed assertion leaves it early.
#include "v4l2syscalls.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace tcfake {

class SystemCallsSeam
{
public:
    explicit SystemCallsSeam(tcuvc::SystemCalls& calls) : previous(tcuvc::installSystemCalls(&calls)) {}
    ~SystemCallsSeam()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            if (it->second.first)
                ::setenv(it->first.c_str(), it->second.second.c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
        tcuvc::installSystemCalls(previous);
    }
    SystemCallsSeam(const SystemCallsSeam&) = delete;
    SystemCallsSeam& operator=(const SystemCallsSeam&) = delete;

    // Sets (or, with null, removes) a variable until the seam goes.
    void setEnvironment(const std::string& name, const char* value)
    {
        const char* before = std::getenv(name.c_str());
        saved.push_back({name, {before != nullptr, before ? before : ""}});
        if (value)
            ::setenv(name.c_str(), value, 1);
        else
            ::unsetenv(name.c_str());
    }

private:
    tcuvc::SystemCalls* previous;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved; // name, was set, value
};

} // namespace tcfake
