# cmake -DFOLDER=... -P stagefolder.cmake: makes the staging folder the
# player starts in from the build tree. A folder made here gets an empty
# list file, so the first start shows the start-up movie rather than a
# missing list; an existing folder, and its list file, are left alone.
if(NOT IS_DIRECTORY "${FOLDER}")
    file(MAKE_DIRECTORY "${FOLDER}")
    file(WRITE "${FOLDER}/FlashList.ini" "")
endif()
