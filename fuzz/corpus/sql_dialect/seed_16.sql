select (select top 1 x from t order by x) as y, convert(datetime, '  2020-01-01  ', 102) from u -- TOP 5
/* top 3 */