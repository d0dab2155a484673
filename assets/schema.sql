-- The catalogue database shipped as mydb.mdb. The client never creates it or changes its schema.
-- Text compares without regard to case, as the catalogue's original engine compares it.
PRAGMA journal_mode = DELETE;

CREATE TABLE fenlei (
  fenleiID    INTEGER PRIMARY KEY,
  fenlei_name TEXT COLLATE NOCASE,
  parentID    INTEGER DEFAULT 0
);

CREATE TABLE det (
  detailID INTEGER PRIMARY KEY AUTOINCREMENT,
  keyID    INTEGER DEFAULT 0,
  d_name   TEXT COLLATE NOCASE,
  yr       TEXT COLLATE NOCASE,
  yea_r    TEXT COLLATE NOCASE,
  dq       TEXT COLLATE NOCASE,
  fenleiID INTEGER DEFAULT 0,
  zt       TEXT COLLATE NOCASE,
  fm       TEXT COLLATE NOCASE,
  nr       TEXT COLLATE NOCASE,
  add_time DATETIME
);
-- keyID first: finds a title's rows, and serves the periodic de-duplication from the index alone.
CREATE INDEX det_keyID ON det (keyID, detailID);

CREATE TABLE jj (
  jjID  INTEGER PRIMARY KEY AUTOINCREMENT,
  keyID INTEGER DEFAULT 0,
  j_url TEXT COLLATE NOCASE,
  wjm   TEXT COLLATE NOCASE,
  jl    INTEGER DEFAULT 0
);
CREATE INDEX jj_keyID ON jj (keyID);

CREATE TABLE hist (
  histID     INTEGER PRIMARY KEY AUTOINCREMENT,
  keyID      INTEGER DEFAULT 0,
  hist_title TEXT COLLATE NOCASE,
  hist_url   TEXT COLLATE NOCASE,
  jd         INTEGER DEFAULT 0,
  add_time   DATETIME
);
CREATE INDEX hist_keyID ON hist (keyID);

-- Categories: ids below 12 and 17 hold single-part titles, all others episodic ones.
-- 90..92 group them and are given to no title.
INSERT INTO fenlei (fenleiID, fenlei_name, parentID) VALUES
  (1, '动作片', 90), (2, '喜剧片', 90), (3, '爱情片', 90), (4, '科幻片', 90), (5, '恐怖片', 90),
  (6, '剧情片', 90), (7, '战争片', 90), (8, '纪录片', 90), (9, '动画电影', 90), (10, '微电影', 90),
  (11, '经典老片', 90),
  (12, '国产剧', 91), (13, '港台剧', 91), (14, '日韩剧', 91), (15, '欧美剧', 91), (16, '动漫连载', 91),
  (17, '演唱会', 92), (18, '综艺节目', 92), (19, '少儿节目', 92),
  (90, '电影', 0), (91, '电视剧', 0), (92, '综艺与其他', 0);
