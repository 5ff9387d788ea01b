if(TL_SANITIZE AND TL_SANITIZE_THREAD)
    message(FATAL_ERROR "TL_SANITIZE and TL_SANITIZE_THREAD cannot be combined: build twice")
endif()
if(TL_SANITIZE)
    set(TL_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_compile_options(${TL_SAN_FLAGS})
    add_link_options(${TL_SAN_FLAGS})
endif()
# ThreadSanitizer, for the code that runs on more than one thread (the scan's walk and its
# read-ahead, the jobs and their listeners, the plug-ins called on the scan's worker).
# scripts/test builds and runs the tests of the jobs, test_scan and test_taglibplugins
# with it.
if(TL_SANITIZE_THREAD)
    set(TL_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
    add_compile_options(${TL_SAN_FLAGS})
    add_link_options(${TL_SAN_FLAGS})
endif()
# With the fuzz targets, every library they link carries the fuzzer's coverage
# instrumentation, so that libFuzzer sees what the core and the plug-ins do with its input
# and not only the target's own few lines.
if(TL_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
