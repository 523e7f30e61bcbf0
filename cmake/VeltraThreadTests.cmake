# The tests that start threads, per test executable, as a GoogleTest filter: they carry the CTest
# label "threads", which the tsan preset runs under ThreadSanitizer. Together they start every
# thread the code under src/ and tools/ starts: the notification watcher, the status reporter's
# writer, the local CDN's server threads, the DNS-IP map's readers woken across processes, and
# the mutex-guarded logging and config stores used from several threads. The slow
# single-threaded tests (the map writer's, the killed updater runs) stay out, and so do those
# bound by a real one-second time-out that ThreadSanitizer's slowdown can exceed on a busy
# machine. A filter's negative patterns ("-...") name only tests its positive ones take.
set(VELTRA_THREAD_TESTS
  platform_tests "*NotificationCenter.*:*Logging.*"
  config_tests "*SharedConfigTest.*"
  dns_ip_map_tests "*ReaderTest.*:*CrossProcessReader.*"
  updater_tests
  "*Reporter.*:*TransportTest.*:*ExclusiveFileLockTest.*:*V4Pipeline*-*.HostileBodiesNeverAccumulateInMemory")

# Sets `out` to the thread-test filter of test executable `name`, or "" when it has none.
function(veltra_thread_filter name out)
  set(filter "")
  set(entries ${VELTRA_THREAD_TESTS})
  list(LENGTH entries count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    list(GET entries ${i} executable)
    if(executable STREQUAL name)
      math(EXPR next "${i} + 1")
      list(GET entries ${next} filter)
    endif()
  endforeach()
  set(${out} "${filter}" PARENT_SCOPE)
endfunction()
