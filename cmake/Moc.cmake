# moc through cmake/moc.sh.in: every AUTOMOC target of the build runs moc with the project's include folders
# only, which takes 0.01 s of processor time per file instead of 0.6 s (with Qt's folders moc reads the whole
# of QtCore and more for each file, even one that includes only <QObject>, so declaring Qt's classes
# instead of including them would not help). Its output is the same: the script runs moc again as asked
# wherever Qt's headers could change it (see there), and scripts/check-moc.py compares both runs for every
# file of a build. Call vantrel_moc_project_includes() last, once every target is defined.
get_target_property(vantrel_qt_dirs Qt6::Core INTERFACE_INCLUDE_DIRECTORIES)
list(FILTER vantrel_qt_dirs INCLUDE REGEX "/QtCore$")
list(GET vantrel_qt_dirs 0 vantrel_qt_dir)
get_filename_component(vantrel_qt_dir ${vantrel_qt_dir} DIRECTORY)

# The Qt headers that bring a Q_MOC_INCLUDE, found once per build folder.
set(VANTREL_MOC_DOUBTFUL ${CMAKE_BINARY_DIR}/moc/doubtful-qt-headers.txt)
if(NOT EXISTS ${VANTREL_MOC_DOUBTFUL})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/moc)
    execute_process(COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/moc-doubtful-headers.sh ${vantrel_qt_dir}
                    OUTPUT_FILE ${VANTREL_MOC_DOUBTFUL}.new RESULT_VARIABLE result)
    if(result EQUAL 0)
        file(RENAME ${VANTREL_MOC_DOUBTFUL}.new ${VANTREL_MOC_DOUBTFUL})
    endif()
endif()
set(VANTREL_MOC "$<TARGET_FILE:Qt6::moc>")
configure_file(${CMAKE_CURRENT_LIST_DIR}/moc.sh.in ${CMAKE_BINARY_DIR}/moc/moc.sh.in @ONLY)
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/moc/moc INPUT ${CMAKE_BINARY_DIR}/moc/moc.sh.in
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

function(vantrel_moc_project_includes)
    set(folders ${CMAKE_SOURCE_DIR})
    while(folders)
        list(POP_FRONT folders folder)
        get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
        list(APPEND folders ${subfolders})
        get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target ${targets})
            get_target_property(automoc ${target} AUTOMOC)
            if(automoc)
                set_target_properties(${target} PROPERTIES AUTOMOC_EXECUTABLE ${CMAKE_BINARY_DIR}/moc/moc)
            endif()
        endforeach()
    endwhile()
endfunction()
