#include "support/process_cpu_time.h"

#include <cstdint>
#include <windows.h>

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto seconds = [](FILETIME time) {  // counted in 100 ns steps
    return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}
