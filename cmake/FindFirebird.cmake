# The Firebird client library and its C++ interface (Debian firebird-dev, libfbclient2), as
# the imported target Firebird::Client.
find_path(Firebird_INCLUDE_DIR firebird/Interface.h PATHS /usr/include)
find_library(Firebird_CLIENT_LIBRARY NAMES fbclient)

include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Firebird REQUIRED_VARS Firebird_CLIENT_LIBRARY Firebird_INCLUDE_DIR)

if(Firebird_FOUND AND NOT TARGET Firebird::Client)
    add_library(Firebird::Client UNKNOWN IMPORTED)
    set_target_properties(Firebird::Client PROPERTIES
        IMPORTED_LOCATION "${Firebird_CLIENT_LIBRARY}"
        INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${Firebird_INCLUDE_DIR}"
        INTERFACE_INCLUDE_DIRECTORIES "${Firebird_INCLUDE_DIR}")
endif()
