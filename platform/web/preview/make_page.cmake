# The preview site's index.html: the published reader's page (IN) with the
# preview's style sheet, its script before reader.js, and the panel's
# markup (PANEL) before the scripts; written to OUT.
file(READ ${IN} page)
file(READ ${PANEL} panel)
foreach(needle "<link rel=\"stylesheet\" href=\"reader.css\">" "<script src=\"reader.js\"></script>" "<body>")
  string(FIND "${page}" "${needle}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${IN} has no ${needle}: the preview page cannot be made from it")
  endif()
endforeach()
string(REPLACE "<title>tomelet</title>" "<title>tomelet preview</title>" page "${page}")
string(REPLACE "<link rel=\"stylesheet\" href=\"reader.css\">"
  "<link rel=\"stylesheet\" href=\"reader.css\">\n<link rel=\"stylesheet\" href=\"preview.css\">" page "${page}")
string(REPLACE "<body>" "<body class=\"preview\">" page "${page}")
string(REPLACE "<script src=\"reader.js\"></script>"
  "${panel}<script src=\"preview.js\"></script>\n<script src=\"reader.js\"></script>" page "${page}")
file(WRITE ${OUT} "${page}")
