# Dialog templates: one UTF-8 source per language, each under its own LANGUAGE statement.
set(AOMTAVO_DIALOGS
  res/dialogs_cs.rc
  res/dialogs_de.rc
  res/dialogs_en.rc
  res/dialogs_fr.rc
  res/dialogs_it.rc
  res/dialogs_ja.rc
  res/dialogs_pl.rc
  res/dialogs_ru.rc
  res/dialogs_id.rc
  res/dialogs_zh_CN.rc
  res/dialogs_es.rc)
