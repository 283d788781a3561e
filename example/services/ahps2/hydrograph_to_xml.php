<html><table><tr><th>Date(CST)</th><th>Precip (in)</th></tr>
<tr><td nowrap>06/05 12:00</td><td nowrap>0.10</td></tr>
<tr><td nowrap>06/05 06:00</td><td nowrap>0.20</td></tr>
<tr><td nowrap>06/05 00:00</td><td nowrap>0.00</td></tr>
<tr><td nowrap>06/04 18:00</td><td nowrap>0.05</td></tr>
<tr><td nowrap>06/04 12:00</td><td nowrap>0.30</td></tr>
</table></html>
