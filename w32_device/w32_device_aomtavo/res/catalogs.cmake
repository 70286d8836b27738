# Translation catalogs: one MO file per LANGID, compiled by msgfmt with its checks.
set(AOMTAVO_CATALOGS
  1031 de
  1033 en)
