#!/usr/bin/env bash
# A catalogue a user reaches after years: 100,000 titles, 1,000,000 episodes (each with its own
# QVOD hash) and 10,000 history entries, on a copy of the shipped catalogue.
#   bench/million_catalogue.sh SHIPPED_MYDB OUT
set -euo pipefail
shipped=$1 out=$2
[ -s "$out" ] && exit 0
cp "$shipped" "$out.part"
sqlite3 "$out.part" > /dev/null <<'SQL'
pragma journal_mode = off;
pragma synchronous = off;
begin;
with recursive n(i) as (select 1 union all select i + 1 from n where i < 100000)
insert into det (keyID, d_name, fenleiID, add_time) select 200000 + i, '片名' || i, 12, '2020-01-01 00:00:00' from n;
with recursive n(i) as (select 0 union all select i + 1 from n where i < 999999)
insert into jj (keyID, j_url, wjm)
  select 200000 + i / 10 + 1, 'qvod://' || (100000 + i) || '$' || printf('%040X', i * 2654435761) || '$片名' || (i / 10 + 1)
         || '第' || (i % 10 + 1) || '集.rmvb$', '片名' || (i / 10 + 1) || '第' || (i % 10 + 1) || '集.rmvb' from n;
with recursive n(i) as (select 1 union all select i + 1 from n where i < 10000)
insert into hist (keyID, hist_title, hist_url, add_time)
  select 200000 + i * 10, '片名' || (i * 10), 'qvod://1$x$y$', '2021-01-01 00:00:00' from n;
commit;
pragma journal_mode = delete;
SQL
mv "$out.part" "$out"
