-- Tables of one university database. Run with the university's database as
-- the default database, e.g.  mariadb corvane3_tsc < db/university.sql
-- Safe to run again: nothing existing is changed.
--
-- Codes are stored as text: a college code has at most 4 characters and a
-- degree code at most 5, but the columns that take uploaded sheets are wider
-- so that a mistyped code is kept as typed rather than cut.

CREATE TABLE IF NOT EXISTS college (
    fcollcode    VARCHAR(10)  NOT NULL,
    fcollname    VARCHAR(150) NULL,
    ftown        VARCHAR(60)  NULL,
    femail       VARCHAR(100) NULL,
    fconst       VARCHAR(60)  NULL,
    fmobile      VARCHAR(20)  NULL,
    fphone       VARCHAR(20)  NULL,
    fpgthcntrmba VARCHAR(10)  NULL,   -- college holding this college's PG theory examinations
    fdeleted     CHAR(1)      NULL,
    ffaculty     VARCHAR(60)  NULL,
    PRIMARY KEY (fcollcode),
    KEY ix_college_pgcntr (fpgthcntrmba)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Readers take the first of the distinct descriptions of a code, so a code
-- is not unique here.
CREATE TABLE IF NOT EXISTS degree (
    fdegree VARCHAR(10)  NOT NULL,
    fdescpn VARCHAR(100) NULL,
    KEY ix_degree_code (fdegree)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

CREATE TABLE IF NOT EXISTS subject (
    fdegree   VARCHAR(10) NOT NULL,
    fexamno   VARCHAR(2)  NOT NULL DEFAULT 'A',
    fsubcode  VARCHAR(10) NOT NULL,
    fsubshort VARCHAR(30) NULL,
    KEY ix_subject_short (fdegree, fexamno, fsubshort)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Documents a degree requires, one row per document.
CREATE TABLE IF NOT EXISTS masdoc (
    fdegree   VARCHAR(10) NOT NULL,
    ffilename VARCHAR(60) NOT NULL,
    KEY ix_masdoc_degree (fdegree)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Students uploaded by colleges; the mobile number is the student's key.
-- The imports join every uploaded line to this table by mobile number and
-- compare the college, so the mobile index carries the college too: the
-- join is answered from the index alone. The college index carries the
-- mobile number for the same reason: the per-degree counts before and after
-- an import count mobile numbers and then never read the rows themselves.
CREATE TABLE IF NOT EXISTS collstud (
    fslno     VARCHAR(10)  NULL,
    fcollcode VARCHAR(10)  NULL,
    fdegree   VARCHAR(10)  NULL,
    fmobileno VARCHAR(20)  NULL,
    femail    VARCHAR(100) NULL,
    fname     VARCHAR(100) NULL,
    fimpdate  DATETIME     NULL,
    KEY ix_collstud_mobile (fmobileno, fcollcode),
    KEY ix_collstud_coll (fcollcode, fdegree, fmobileno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Students of an upload that had no mobile number.
CREATE TABLE IF NOT EXISTS collstudnb (
    fslno     VARCHAR(10)  NULL,
    fcollcode VARCHAR(10)  NULL,
    fdegree   VARCHAR(10)  NULL,
    fmobileno VARCHAR(20)  NULL,
    femail    VARCHAR(100) NULL,
    fname     VARCHAR(100) NULL,
    KEY ix_collstudnb_coll (fcollcode, fdegree)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Staging table of one upload. The column order matters: the application
-- import reads the ten subjects by position (fsub01 at position 9) and
-- collstuddup is filled with "select *" from here. The fee is kept as typed
-- in the sheet: a number column would turn an empty or mistyped fee into 0
-- on loading, and the application import must refuse such a fee instead.
CREATE TABLE IF NOT EXISTS tmpcollstud (
    fslno     VARCHAR(10)   NULL,
    fcollcode VARCHAR(10)   NULL,
    fdegree   VARCHAR(10)   NULL,
    fname     VARCHAR(100)  NULL,
    ffatname  VARCHAR(100)  NULL,
    fmotname  VARCHAR(100)  NULL,
    fgender   VARCHAR(10)   NULL,
    fcatcode  VARCHAR(20)   NULL,
    ffee      VARCHAR(30)   NULL,
    fsub01    VARCHAR(30)   NULL,
    fsub02    VARCHAR(30)   NULL,
    fsub03    VARCHAR(30)   NULL,
    fsub04    VARCHAR(30)   NULL,
    fsub05    VARCHAR(30)   NULL,
    fsub06    VARCHAR(30)   NULL,
    fsub07    VARCHAR(30)   NULL,
    fsub08    VARCHAR(30)   NULL,
    fsub09    VARCHAR(30)   NULL,
    fsub10    VARCHAR(30)   NULL,
    fmobileno VARCHAR(20)   NULL,
    femail    VARCHAR(100)  NULL,
    fimpdate  DATETIME      NULL,
    fdeleted  CHAR(1)       NULL,
    fintid    INT UNSIGNED  NOT NULL AUTO_INCREMENT,
    UNIQUE KEY ux_tmpcollstud_intid (fintid),
    KEY ix_tmpcollstud_mobile (fmobileno),
    KEY ix_tmpcollstud_degree (fdegree)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Raw load target of the Excel import: the first 21 columns of tmpcollstud.
CREATE TABLE IF NOT EXISTS tmpcollstud1 (
    fslno     VARCHAR(10)   NULL,
    fcollcode VARCHAR(10)   NULL,
    fdegree   VARCHAR(10)   NULL,
    fname     VARCHAR(100)  NULL,
    ffatname  VARCHAR(100)  NULL,
    fmotname  VARCHAR(100)  NULL,
    fgender   VARCHAR(10)   NULL,
    fcatcode  VARCHAR(20)   NULL,
    ffee      VARCHAR(30)   NULL,
    fsub01    VARCHAR(30)   NULL,
    fsub02    VARCHAR(30)   NULL,
    fsub03    VARCHAR(30)   NULL,
    fsub04    VARCHAR(30)   NULL,
    fsub05    VARCHAR(30)   NULL,
    fsub06    VARCHAR(30)   NULL,
    fsub07    VARCHAR(30)   NULL,
    fsub08    VARCHAR(30)   NULL,
    fsub09    VARCHAR(30)   NULL,
    fsub10    VARCHAR(30)   NULL,
    fmobileno VARCHAR(20)   NULL,
    femail    VARCHAR(100)  NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Mobile numbers occurring more than once in an upload; filled with
-- "select fmobileno, count(...)", so exactly these two columns.
CREATE TABLE IF NOT EXISTS tmpcollstuddup (
    fmobileno VARCHAR(20) NULL,
    fcnt      BIGINT      NULL,
    KEY ix_tmpcollstuddup_mobile (fmobileno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Rows dropped as duplicates; filled with "select *" from tmpcollstud, so the
-- same columns in the same order. fintid repeats across uploads (the staging
-- table is truncated), hence no key on it.
CREATE TABLE IF NOT EXISTS collstuddup (
    fslno     VARCHAR(10)   NULL,
    fcollcode VARCHAR(10)   NULL,
    fdegree   VARCHAR(10)   NULL,
    fname     VARCHAR(100)  NULL,
    ffatname  VARCHAR(100)  NULL,
    fmotname  VARCHAR(100)  NULL,
    fgender   VARCHAR(10)   NULL,
    fcatcode  VARCHAR(20)   NULL,
    ffee      VARCHAR(30)   NULL,
    fsub01    VARCHAR(30)   NULL,
    fsub02    VARCHAR(30)   NULL,
    fsub03    VARCHAR(30)   NULL,
    fsub04    VARCHAR(30)   NULL,
    fsub05    VARCHAR(30)   NULL,
    fsub06    VARCHAR(30)   NULL,
    fsub07    VARCHAR(30)   NULL,
    fsub08    VARCHAR(30)   NULL,
    fsub09    VARCHAR(30)   NULL,
    fsub10    VARCHAR(30)   NULL,
    fmobileno VARCHAR(20)   NULL,
    femail    VARCHAR(100)  NULL,
    fimpdate  DATETIME      NULL,
    fdeleted  CHAR(1)       NULL,
    fintid    INT UNSIGNED  NULL,
    KEY ix_collstuddup_mobile (fmobileno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Applications. fslno is a 4-digit serial within college and degree;
-- fappno is "523" followed by internal_code once the import is done.
CREATE TABLE IF NOT EXISTS studadm (
    internal_code INT UNSIGNED  NOT NULL AUTO_INCREMENT,
    fslno         VARCHAR(6)    NULL,
    fcollcode     VARCHAR(10)   NULL,
    fdegree       VARCHAR(10)   NULL,
    fexamno       VARCHAR(2)    NULL,
    fcombcode     VARCHAR(10)   NULL,
    fname         VARCHAR(100)  NULL,
    ffatname      VARCHAR(100)  NULL,
    fmotname      VARCHAR(100)  NULL,
    fgender       VARCHAR(10)   NULL,
    fcaste        VARCHAR(20)   NULL,
    femail        VARCHAR(100)  NULL,
    fcontact_no   VARCHAR(20)   NULL,
    ftotfee       DECIMAL(12,2) NULL,
    fappno        VARCHAR(20)   NULL,
    fappstatus    VARCHAR(10)   NULL,
    ffinsub       CHAR(1)       NULL,
    fcreatedate   DATETIME      NULL,
    fcreateuser   VARCHAR(30)   NULL,
    fackuser      VARCHAR(30)   NULL,
    fackdate      DATETIME      NULL,
    fxlsintno     INT UNSIGNED  NULL,
    fblood_group  VARCHAR(20)   NULL,
    fadmdate      VARCHAR(10)   NULL,
    freligion     VARCHAR(30)   NULL,
    fconstype     VARCHAR(10)   NULL,
    fcatbirth     VARCHAR(10)   NULL,
    farea         VARCHAR(10)   NULL,
    PRIMARY KEY (internal_code),
    KEY ix_studadm_contact (fcontact_no),
    KEY ix_studadm_slno (fcollcode, fdegree, fslno),
    KEY ix_studadm_appno (fappno),
    KEY ix_studadm_xlsintno (fxlsintno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Subjects of an application.
CREATE TABLE IF NOT EXISTS options (
    fdegree   VARCHAR(10) NULL,
    fexamno   VARCHAR(2)  NULL,
    fcollcode VARCHAR(10) NULL,
    fslno     VARCHAR(6)  NULL,
    fsubcode  VARCHAR(30) NULL,
    fappno    VARCHAR(20) NULL,
    KEY ix_options_app (fcollcode, fdegree, fappno),
    KEY ix_options_appno (fappno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Documents expected of an application. Rows are added with "insert ignore":
-- the unique key is what makes a repeated document row drop out.
-- app_no holds the serial number, login_cnt the application number.
CREATE TABLE IF NOT EXISTS studoc (
    app_no    VARCHAR(6)  NOT NULL DEFAULT '',
    login_cnt VARCHAR(20) NOT NULL DEFAULT '',
    fdegree   VARCHAR(10) NOT NULL DEFAULT '',
    fcollcode VARCHAR(10) NOT NULL DEFAULT '',
    fdoctype  VARCHAR(60) NOT NULL DEFAULT '',
    UNIQUE KEY ux_studoc (fcollcode, fdegree, login_cnt, app_no, fdoctype)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Fee lines of an application, also added with "insert ignore".
CREATE TABLE IF NOT EXISTS admfeedetl (
    fyear     VARCHAR(4)    NOT NULL DEFAULT '',
    fdegree   VARCHAR(10)   NOT NULL DEFAULT '',
    fexamno   VARCHAR(2)    NOT NULL DEFAULT '',
    fcollcode VARCHAR(10)   NOT NULL DEFAULT '',
    fslno     VARCHAR(6)    NOT NULL DEFAULT '',
    fheadcode VARCHAR(40)   NOT NULL DEFAULT '',
    famount   DECIMAL(12,2) NULL,
    fappno    VARCHAR(20)   NULL,
    UNIQUE KEY ux_admfeedetl (fyear, fdegree, fexamno, fcollcode, fslno, fheadcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Log of changes of degree and college; the id and date are filled by the
-- server, the client names the other columns.
CREATE TABLE IF NOT EXISTS colldegchange (
    fchangeid   INT UNSIGNED NOT NULL AUTO_INCREMENT,
    fmobileno   VARCHAR(20)  NULL,
    foldcoll    VARCHAR(10)  NULL,
    fnewcoll    VARCHAR(10)  NULL,
    folddeg     VARCHAR(10)  NULL,
    fnewdeg     VARCHAR(10)  NULL,
    fappno      VARCHAR(20)  NULL,
    fusername   VARCHAR(30)  NULL,
    fchangedate TIMESTAMP    NOT NULL DEFAULT CURRENT_TIMESTAMP,
    PRIMARY KEY (fchangeid),
    KEY ix_colldegchange_mobile (fmobileno)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- One row per college and degree, updated by every change that gives a
-- serial number (fslno) there, inside the change's transaction. The serial
-- itself is still the largest stored plus one; the row only makes two such
-- changes conflict: on one server the second waits for the first to commit,
-- on a Galera cluster (where named locks are local to a node) the second to
-- commit fails certification and is run again.
CREATE TABLE IF NOT EXISTS slnoclaim (
    fcollcode VARCHAR(10)  NOT NULL,
    fdegree   VARCHAR(10)  NOT NULL,
    ftaken    INT UNSIGNED NOT NULL DEFAULT 0,
    PRIMARY KEY (fcollcode, fdegree)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Colleges registered as examination centres.
CREATE TABLE IF NOT EXISTS examcntr (
    fcollcode VARCHAR(10)  NOT NULL,
    fcollname VARCHAR(150) NULL,
    fcentre   VARCHAR(60)  NULL,
    KEY ix_examcntr_coll (fcollcode)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Databases made before the fee was kept as typed.
ALTER TABLE tmpcollstud1 MODIFY ffee VARCHAR(30) NULL;
ALTER TABLE tmpcollstud MODIFY ffee VARCHAR(30) NULL;
ALTER TABLE collstuddup MODIFY ffee VARCHAR(30) NULL;
