# Build checks on the source tree, run at configure time.
#
# 1. The core stays free of Qt so that it builds and tests quickly and runs headless.
# 2. Layers point one way: a folder includes only itself and the folders below it. Each entry
#    names the folders a folder may include besides itself.

set(VEXA_CORE_DIRS resources session files processing camera telescope app)

set(vexa_may_include_resources "")
set(vexa_may_include_session "")
set(vexa_may_include_files session resources)
set(vexa_may_include_processing files session resources)
set(vexa_may_include_camera processing files session resources)
set(vexa_may_include_telescope camera processing files session resources)
set(vexa_may_include_app telescope camera processing files session resources)
set(vexa_may_include_devices telescope camera processing files session resources)
set(vexa_may_include_simulator telescope camera processing files session resources)
set(vexa_may_include_ui app devices simulator telescope camera processing files session resources)
set(vexa_may_include_cli app devices simulator telescope camera processing files session resources)
set(vexa_may_include_indi app devices simulator telescope camera processing files session resources)
set(VEXA_LAYERED_DIRS ${VEXA_CORE_DIRS} devices simulator ui cli indi)

foreach(dir IN LISTS VEXA_LAYERED_DIRS)
    file(GLOB_RECURSE check_files CONFIGURE_DEPENDS
         "${CMAKE_SOURCE_DIR}/${dir}/*.h" "${CMAKE_SOURCE_DIR}/${dir}/*.cpp")
    list(FIND VEXA_CORE_DIRS ${dir} core_index)
    foreach(f IN LISTS check_files)
        if(NOT core_index EQUAL -1)
            file(STRINGS "${f}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
            if(qt_includes)
                message(FATAL_ERROR "Qt header included in the core: ${f}: ${qt_includes}")
            endif()
        endif()
        file(STRINGS "${f}" project_includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z_]+/")
        foreach(line IN LISTS project_includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([a-z_]+)/.*" "\\1" target_dir "${line}")
            if(NOT target_dir STREQUAL dir)
                list(FIND vexa_may_include_${dir} ${target_dir} allowed)
                if(allowed EQUAL -1)
                    message(FATAL_ERROR "Layer violation: ${f} includes ${target_dir}/, which "
                            "lies above or beside ${dir}/ (${line})")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()
