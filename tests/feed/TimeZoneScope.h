#pragma once
// Makes a POSIX TZ rule the local time zone for the life of the object, so that local times
// in a test do not depend on the machine.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace SumirelTest {

class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* rule) {
        if (const char* old = std::getenv("TZ")) {
            old_ = old;
        }
        ::setenv("TZ", rule, 1);
        ::tzset();
    }
    ~TimeZoneScope() {
        if (old_) {
            ::setenv("TZ", old_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    std::optional<std::string> old_;
};

}  // namespace SumirelTest
