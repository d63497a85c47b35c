"""Database files to seed a daemon's directory with, written the way the
daemon itself writes them: registrations that exist before the services
link, so a scenario starts with something to protect."""

import time

# The stored form of the password "secret" with CRYPTPASS on (the default):
# one of the reference digests of the password format.
PASSWORD = "secret"
PASSWORD_DIGEST = "jDGh.pg9zf90a"

# Recent enough that the expiry pass at start-up keeps every record.
AN_HOUR_AGO = int(time.time()) - 3600


def nick(name, access=("*@*",), password=PASSWORD_DIGEST):
    """One registered nick that nobody has identified to yet."""
    return (f"nick={name}\n"
            f"gecos=seeded owner of {name}\n"
            f"regdate={AN_HOUR_AGO}\n"
            f"lastdate={AN_HOUR_AGO}\n"
            f"TS=0\n"
            f"lastmask=\n"
            f"pass={password}\n"
            f"access={''.join(mask + ' ' for mask in access)}\n"
            f"\n")


def nickserv_db(*records):
    return "# NICKSERV DATABASE\n\n" + "".join(records)


def channel(name, owner, mlock="+nt", strictop=False, sop=(), aop=(), vop=(), akick=(),
            ts=AN_HOUR_AGO):
    """One registered channel; the lists hold nicks or nick!user@host masks."""

    def words(entries):
        return "".join(entry + " " for entry in entries)

    return (f"channel={name}\n"
            f"regdate={ts}\n"
            f"lastdate={AN_HOUR_AGO}\n"
            f"TS={ts}\n"
            f"owner={owner}\n"
            f"pass={PASSWORD_DIGEST}\n"
            f"mlock={mlock}\n"
            + ("strictop=1\n" if strictop else "")
            + f"sop={words(sop)}\n"
            f"aop={words(aop)}\n"
            f"vop={words(vop)}\n"
            f"akick={words(akick)}\n"
            f"\n")


def chanserv_db(*records):
    return "# CHANSERV DATABASE\n\n" + "".join(records)


def operserv_db(boottime=AN_HOUR_AGO):
    """Operator data with only the network boot time, which is also the
    timestamp of the operator channel in the services' burst."""
    return f"BootTime={boottime}\n\n\n\n"
