# One INTERFACE target carries every compiler flag the project uses.
add_library(orvanto_flags INTERFACE)
target_compile_features(orvanto_flags INTERFACE cxx_std_20)
target_compile_options(orvanto_flags INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor>)
target_compile_definitions(orvanto_flags INTERFACE
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(ORVANTO_WERROR)
    target_compile_options(orvanto_flags INTERFACE -Werror)
endif()
if(ORVANTO_SANITIZE)
    target_compile_options(orvanto_flags INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(orvanto_flags INTERFACE -fsanitize=address,undefined)
endif()
