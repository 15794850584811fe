# Writes a file of the page (its style or its script) as a C++ string constant to include, so
# that the page stays one file and its parts can be edited, linted and read as what they are.
#   -DIN=<report.css> -DOUT=<report_css.inc> -DNAME=<kReportCss>
file(READ ${IN} text)
# The text goes in a raw string literal: it must not hold the literal's end.
string(FIND "${text}" ")page\"" end)
if(NOT end EQUAL -1)
    message(FATAL_ERROR "${IN} holds )page\" and cannot be embedded as it is")
endif()
get_filename_component(name ${IN} NAME)
file(WRITE ${OUT} "// Built from sim/page/${name}: edit that file.\nconstexpr char ${NAME}[] = R\"page(${text})page\";\n")
