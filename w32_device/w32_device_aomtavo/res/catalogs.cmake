# Translation catalogs: one MO file per LANGID, compiled by msgfmt with its checks.
set(AOMTAVO_CATALOGS
  1029 cs
  1031 de
  1033 en
  1036 fr
  1040 it
  1041 ja
  1045 pl
  1049 ru
  1053 sv
  2052 zh_CN
  3082 es)
