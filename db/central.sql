-- Central database: staff accounts, customer universities, the control row
-- and the grievances. Safe to run again: nothing existing is changed.

CREATE DATABASE IF NOT EXISTS corvane3_tkt
    CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE corvane3_tkt;

-- Staff accounts. ftktid is the grievance the user holds; the client compares
-- it with '' and writes it quoted, so it is text. fheldsince is when it was
-- taken (kept by the trigger below).
CREATE TABLE IF NOT EXISTS masuser (
    fusername   VARCHAR(30)  NOT NULL,
    fpasswd     VARCHAR(60)  NOT NULL DEFAULT '',
    fgroup      VARCHAR(5)   NULL,
    fsection    VARCHAR(50)  NULL,
    fpermission TEXT         NULL,
    ftktid      VARCHAR(20)  NULL,
    fheldsince  DATETIME     NULL,
    PRIMARY KEY (fusername),
    KEY ix_masuser_fgroup (fgroup)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- The moment a user took the grievance held, by the server's clock, kept on
-- the server so every writer of ftktid keeps it right: the desk's pick, every
-- release, and older clients that know nothing of the column. A change of
-- ftktid to a grievance sets it, to nothing empties it; an update leaving
-- ftktid as it is keeps what the update gives.
CREATE TRIGGER IF NOT EXISTS tr_masuser_heldsince BEFORE UPDATE ON masuser FOR EACH ROW
    SET NEW.fheldsince = IF(NEW.ftktid <=> OLD.ftktid, NEW.fheldsince,
                            IF(IFNULL(NEW.ftktid, '') = '', NULL, NOW()));

-- Customer universities. The code is not unique on purpose: the lookup is
-- defined to take the first of equal codes in name order.
CREATE TABLE IF NOT EXISTS masuniv (
    funivid     INT UNSIGNED NOT NULL AUTO_INCREMENT,
    funivcode   VARCHAR(3)   NOT NULL,
    funivname   VARCHAR(100) NOT NULL DEFAULT '',
    fdbname     VARCHAR(64)  NOT NULL DEFAULT '',
    funivshort  VARCHAR(20)  NULL,
    femailid    VARCHAR(100) NULL,
    PRIMARY KEY (funivid),
    KEY ix_masuniv_code (funivcode),
    KEY ix_masuniv_name (funivname)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Exactly one row. fstarted = 'T' is the assignment lock of the desks.
CREATE TABLE IF NOT EXISTS control (
    FUnivCode   VARCHAR(3)   NOT NULL DEFAULT '',
    FUnivAdd1   VARCHAR(100) NULL,
    FUnivAdd2   VARCHAR(100) NULL,
    FUnivAdd3   VARCHAR(100) NULL,
    FUnivAdd4   VARCHAR(100) NULL,
    ftktversion VARCHAR(10)  NOT NULL DEFAULT '',
    fstarted    CHAR(1)      NULL
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Grievances, written by the portal. The lowest open number at a level is
-- handed out first, so the queue index continues with ftktid; university,
-- sender and date follow so the desk's count of open grievances and their
-- waits read the index only.
CREATE TABLE IF NOT EXISTS tkthead (
    ftktid      INT UNSIGNED NOT NULL AUTO_INCREMENT,
    ftktdate    DATETIME     NULL,
    fregno      VARCHAR(30)  NULL,
    ftktfrom    VARCHAR(100) NULL,
    ftktemail   VARCHAR(100) NULL,
    fstudemail  VARCHAR(100) NULL,
    ftktsub     VARCHAR(255) NULL,
    ftktmsg     TEXT         NULL,
    ftktuser    VARCHAR(20)  NULL,
    ftktmode    VARCHAR(10)  NULL,
    ftktmobile  VARCHAR(20)  NULL,
    funivcode   VARCHAR(3)   NULL,
    ftktstatus  CHAR(1)      NULL,
    fdeleted    CHAR(1)      NULL,
    ftktgroup   VARCHAR(5)   NULL,
    ffinaluser  VARCHAR(30)  NULL,
    ffinaldate  DATETIME     NULL,
    PRIMARY KEY (ftktid),
    KEY ix_tkthead_queue (ftktgroup, ftktstatus, ftktid, funivcode, ftktuser, ftktdate),
    KEY ix_tkthead_univ (funivcode, ftktuser),
    -- the desk's count of one user's replies of the day at a level
    KEY ix_tkthead_reply (ffinaluser, ftktgroup, ftktstatus, ffinaldate, funivcode, ftktuser),
    -- finding a grievance again: by mobile, by either e-mail address, by words
    -- (the full-text index must be built on a server with
    -- innodb_ft_min_token_size=1 and innodb_ft_enable_stopword=OFF: README)
    KEY ix_tkthead_mobile (ftktmobile),
    KEY ix_tkthead_email (ftktemail),
    KEY ix_tkthead_studemail (fstudemail),
    -- the supervisor's view: grievances received, and closed, in a period
    KEY ix_tkthead_date (ftktdate, funivcode),
    KEY ix_tkthead_closed (ffinaldate, ftktstatus, funivcode),
    FULLTEXT KEY ft_tkthead_text (ftktsub, ftktmsg)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- One row per forward or reply: the grievance's trail. The grievance's index
-- carries the date and level, so a grievance's first answer and the forward
-- before a row (the supervisor's view) are found in the index alone.
CREATE TABLE IF NOT EXISTS tktdetl (
    fdetlid       INT UNSIGNED NOT NULL AUTO_INCREMENT,
    ftktid        INT UNSIGNED NOT NULL,
    ftkttrandate  DATETIME     NULL,
    ffromuser     VARCHAR(30)  NULL,
    ftkttranto    VARCHAR(255) NULL,
    ftkttrancc    VARCHAR(255) NULL,
    ftkttransub   VARCHAR(255) NULL,
    ftkttranfile  VARCHAR(255) NULL,
    ftkttrangroup VARCHAR(5)   NULL,
    ftkttranmsg   MEDIUMTEXT   NULL,
    PRIMARY KEY (fdetlid),
    -- a grievance's trail; its latest forward (when it reached its level) and
    -- first answer read from the index alone
    KEY ix_tktdetl_tktid (ftktid, ftkttrandate, ftkttrangroup),
    -- the supervisor's view: the staff's forwards and replies in a period
    KEY ix_tktdetl_date (ftkttrandate)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Settings the administrator changes from the client, a row each, so that no
-- client keeps a settings file. overdue_hours: the hours a grievance may wait
-- at a level before it counts as overdue (no row: 48).
CREATE TABLE IF NOT EXISTS massetting (
    fname       VARCHAR(40)  NOT NULL,
    fvalue      VARCHAR(255) NULL,
    PRIMARY KEY (fname)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;

-- Reply texts the help desk inserts into a reply, kept by the administrator.
-- Names are unique by the table's collation, so "Hall ticket" and "HALL
-- TICKET" are one name. funivcode NULL: offered for every university.
CREATE TABLE IF NOT EXISTS masreply (
    freplyid    INT UNSIGNED NOT NULL AUTO_INCREMENT,
    freplyname  VARCHAR(60)  NOT NULL,
    freplytext  TEXT         NOT NULL,
    funivcode   VARCHAR(3)   NULL,
    PRIMARY KEY (freplyid),
    UNIQUE KEY ux_masreply_name (freplyname),
    KEY ix_masreply_univ (funivcode, freplyname)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
