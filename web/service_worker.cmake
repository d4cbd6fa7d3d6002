# Writes SITE/sw.js from the template TEMPLATE: the list of the files it keeps
# (FILES, a list of names in SITE) and a digest of their contents as its version.
set(digests "")
set(names "")
foreach(name ${FILES})
  file(SHA256 "${SITE}/${name}" digest)
  string(APPEND digests "${digest}")
  list(APPEND names "\"${name}\"")
endforeach()
string(SHA256 digest "${digests}")
string(SUBSTRING "${digest}" 0 16 DIGEST)
list(JOIN names ", " FILES)
configure_file("${TEMPLATE}" "${SITE}/sw.js" @ONLY)
