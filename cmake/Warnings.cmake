# Our own targets link this; third-party headers come in as system includes and stay quiet.
add_library(qdu_warnings INTERFACE)
target_compile_options(qdu_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wnull-dereference -Wimplicit-fallthrough -Werror)
